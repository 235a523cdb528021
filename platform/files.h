// platform/files.h: opening the engine's own files by names written the way
// a Windows user writes them, telling regular files and directories from
// other names, 64-bit offsets on the open streams, and the discipline of
// files that several engines in one folder update in place.
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

// Files that two engines of one front end share (the book, the learning
// file): the stream is unbuffered, so that every read sees what the other
// engine wrote; an update holds the lock from its reads to its flushed
// writes, so that no write rests on what the other engine has changed since.
FILE* OpenSharedFile(const char* name, const char* mode);
// An advisory lock on the whole file, taken (waiting for it) or released.
void LockSharedFile(FILE* file, bool lock);

// Length of the file behind the stream in bytes, or -1. Leaves the stream
// position undefined: callers seek before their next read.
int64_t FileLength(FILE* file);
// 0 on success.
int SeekFile(FILE* file, uint64_t offset);
