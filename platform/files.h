// platform/files.h: opening the engine's own files by names written the way
// a Windows user writes them, telling regular files and directories from
// other names, 64-bit offsets on the open streams, the discipline of files
// that several engines in one folder update in place, and files written
// whole or not at all. No open here ever waits (a FIFO, a device).
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
// The named file opened for reading (mode "rb" or "r") when it is a regular
// file; nullptr for anything else (missing, a directory, a FIFO, a device).
// Never waits: a FIFO without a writer is refused at once.
FILE* OpenRegularFile(const char* name, const char* mode = "rb");
// The same for a path taken as it is, without the Windows reading.
FILE* OpenRegularPath(const char* path, const char* mode = "rb");
// What a name stands for now, for the message when OpenRegularFile refused
// it: nothing (or a link to nothing), a regular file, or anything else.
enum FileKind { FILE_MISSING, FILE_REGULAR, FILE_OTHER };
FileKind KindOfFile(const char* name);
// True when the open stream is a regular file.
bool IsRegularStream(FILE* file);
// True when the path names the very file of the stream, however it is
// reached (another spelling, a symbolic or a hard link): the same device and
// file number, not the same name.
bool IsSameFile(FILE* file, const char* path);

// A path (taken as it is) opened for writing: truncated, or appended to.
// Any kind of file, but a FIFO without a reader is refused at once.
FILE* OpenOutputFile(const char* path, bool append);
// Makes the named file with these bytes, whole or not at all: they are
// written under a name of this engine's own beside it, which takes the
// file's name only once complete. An existing file of the name is never
// replaced (another engine made it meanwhile: true, that one is used). On
// failure false, and nothing is left behind; the file made is the caller's.
bool CreateWholeFile(const char* name, const std::string& bytes);
// True when the name is a directory; a name that resolves to nothing (""
// or a bare drive "c:", "c:\") is the working directory.
bool IsDirectory(const char* name);

// Files that two engines of one front end share (the book, the learning
// file): the stream is unbuffered, so that every read sees what the other
// engine wrote; an update holds the lock from its reads to its flushed
// writes, so that no write rests on what the other engine has changed since.
// Mode "rb" or "rb+"; any kind of file, the caller checks (IsRegularStream).
FILE* OpenSharedFile(const char* name, const char* mode);
// An advisory lock on the whole file, taken (waiting for it) or released.
void LockSharedFile(FILE* file, bool lock);

// Length of the file behind the stream in bytes, or -1. Leaves the stream
// position undefined: callers seek before their next read.
int64_t FileLength(FILE* file);
// 0 on success.
int SeekFile(FILE* file, uint64_t offset);
