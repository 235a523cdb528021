// interface/epd.h: static evaluation of every position of an EPD file.
#pragma once

// Prints the side-to-move score of each complete line's position and writes
// every tenth line to "out.epd". A file that cannot be opened is reported.
void EvaluateEpdFile(const char* name);
