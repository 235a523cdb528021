// interface/epd.h: static evaluation of every position of an EPD file.
// Reads the named file; writes the board, root_side and "out.epd".
#pragma once

// Prints the side-to-move score of each complete line's position and writes
// every tenth line to "out.epd", replacing it. A file that cannot be
// opened (or is anything but a regular file) is reported, and so are "out.epd"
// given as the input (by any name or link: it is left whole) and a write
// of "out.epd" that fails.
void EvaluateEpdFile(const char* name);
