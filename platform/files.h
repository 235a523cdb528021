// platform/files.h: opening the engine's own files by names written the way
// a Windows user writes them, telling regular files and directories from
// other names, and 64-bit offsets on the open streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The name as this system reads it: '\' taken as '/', a leading drive
// ("c:\") dropped so that the rest lies under the working directory
// ("c:\work\source.pgn" is "work/source.pgn"), trailing blanks dropped (a
// CRLF command line leaves one), and on a case-sensitive file system each
// part of the path replaced by an existing entry that differs from it only
// by case when no entry has the exact spelling.
std::string ResolveFileName(const char* name);
// fopen of ResolveFileName(name); nullptr when it fails.
FILE* OpenFileAnyCase(const char* name, const char* mode);
// The named file opened for reading ("rb") when it is a regular file;
// nullptr for anything else (missing, a directory, a FIFO, a device). Never
// waits: a FIFO without a writer is refused at once.
FILE* OpenRegularFile(const char* name);
// True when the name is a directory; a name that resolves to nothing (""
// or a bare drive "c:", "c:\") is the working directory.
bool IsDirectory(const char* name);

// Length of the file behind the stream in bytes, or -1. Leaves the stream
// position undefined: callers seek before their next read.
int64_t FileLength(FILE* file);
// 0 on success.
int SeekFile(FILE* file, uint64_t offset);
