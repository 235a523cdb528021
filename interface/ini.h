// interface/ini.h: the start-up settings file. Read once, before the hash
// tables are allocated; it overrides the option globals' defaults and may
// open the opening book.
#pragma once

// Reads the named file (the engine passes "Dravelnor.ini"); a missing file
// changes nothing and prints nothing, anything but a regular file (a FIFO,
// a device, a folder) changes nothing and is reported. Bad values print
// numbered warnings.
void ReadIniFile(const char* file_name = "Dravelnor.ini");
