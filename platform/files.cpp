// Large-file offsets in the 32-bit build too.
#define _FILE_OFFSET_BITS 64

#include "platform/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The entry of dir spelt like part but for case; the smallest such name so
// that the choice does not depend on the directory order. Empty when none.
std::string FindCaseVariant(const std::string& dir, const std::string& part) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (const dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, part.c_str()) == 0 && (best.empty() || std::strcmp(e->d_name, best.c_str()) < 0))
      best = e->d_name;
  }
  closedir(d);
  return best;
}
#endif

}  // namespace

std::string ResolveFileName(const char* name) {
  std::string path(name ? name : "");
#ifdef _WIN32
  return path;
#else
  for (char& c : path)
    if (c == '\\') c = '/';
  // A drive ("c:" or "C:\") names the working directory: the rest of the
  // path is taken relative to it.
  if (path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z')) {
    path.erase(0, 2);
    while (!path.empty() && path[0] == '/') path.erase(0, 1);
  }
  while (!path.empty() && path.back() == ' ') path.pop_back();
  if (path.empty() || Exists(path)) return path;

  // Walk the parts; keep a part that exists or has no case variant (the
  // last one may be a file about to be created).
  std::string done;
  size_t pos = 0;
  if (path[0] == '/') {
    done = "/";
    pos = 1;
  }
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(pos, slash - pos);
    if (!part.empty() && part != "." && part != "..") {
      const std::string dir = done;
      if (!Exists(dir + part)) {
        std::string variant = FindCaseVariant(dir, part);
        if (!variant.empty()) part = variant;
      }
    }
    done += part;
    if (slash < path.size()) done += '/';
    pos = slash + 1;
  }
  return done;
#endif
}

namespace {

#ifndef _WIN32
// open() without waiting (a FIFO without the other end, a device), the
// waiting mode back on for the reads and writes that follow.
int OpenWithoutWaiting(const char* path, int flags) {
  int fd;
  do {
    fd = open(path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  const int status = fcntl(fd, F_GETFL);
  if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

FILE* StreamOf(int fd, const char* mode) {
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, mode);
  if (!file) close(fd);
  return file;
}
#endif

}  // namespace

FILE* OpenRegularPath(const char* path, const char* mode) {
  if (!path || !*path) return nullptr;
#ifdef _WIN32
  struct _stat64 status;
  if (_stat64(path, &status) != 0 || !(status.st_mode & _S_IFREG)) return nullptr;
  return std::fopen(path, mode);
#else
  // The type is taken from what was opened, not from the name, which may
  // change in between.
  const int fd = OpenWithoutWaiting(path, O_RDONLY);
  if (fd < 0) return nullptr;
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return nullptr;
  }
  return StreamOf(fd, mode);
#endif
}

FILE* OpenRegularFile(const char* name, const char* mode) {
  return OpenRegularPath(ResolveFileName(name).c_str(), mode);
}

FileKind KindOfFile(const char* name) {
  const std::string path = ResolveFileName(name);
  if (path.empty()) return FILE_MISSING;
#ifdef _WIN32
  struct _stat64 status;
  if (_stat64(path.c_str(), &status) != 0) return FILE_MISSING;
  return (status.st_mode & _S_IFREG) ? FILE_REGULAR : FILE_OTHER;
#else
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return FILE_MISSING;
  return S_ISREG(status.st_mode) ? FILE_REGULAR : FILE_OTHER;
#endif
}

bool IsRegularStream(FILE* file) {
#ifdef _WIN32
  struct _stat64 status;
  return _fstat64(_fileno(file), &status) == 0 && (status.st_mode & _S_IFREG);
#else
  struct stat status;
  return fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
#endif
}

bool IsSameFile(FILE* file, const char* path) {
#ifdef _WIN32
  // The volume and file index of both, as the device and inode elsewhere.
  const HANDLE named = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION open_info, named_info;
  const bool same = GetFileInformationByHandle(HANDLE(_get_osfhandle(_fileno(file))), &open_info) &&
                    GetFileInformationByHandle(named, &named_info) &&
                    open_info.dwVolumeSerialNumber == named_info.dwVolumeSerialNumber &&
                    open_info.nFileIndexHigh == named_info.nFileIndexHigh &&
                    open_info.nFileIndexLow == named_info.nFileIndexLow;
  CloseHandle(named);
  return same;
#else
  struct stat open_status, named_status;
  return fstat(fileno(file), &open_status) == 0 && stat(path, &named_status) == 0 &&
         open_status.st_dev == named_status.st_dev && open_status.st_ino == named_status.st_ino;
#endif
}

FILE* OpenOutputFile(const char* path, bool append) {
#ifdef _WIN32
  return std::fopen(path, append ? "a" : "w");
#else
  return StreamOf(OpenWithoutWaiting(path, O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC)), append ? "a" : "w");
#endif
}

bool CreateWholeFile(const char* name, const std::string& bytes) {
  const std::string path = ResolveFileName(name);
  if (path.empty()) return false;
#ifdef _WIN32
  // This engine's own name: another engine of the folder has another
  // process number.
  const std::string temporary = path + "." + std::to_string(_getpid()) + ".new";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  // Windows renames only onto a free name: a file made meanwhile stays.
  struct _stat64 status;
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = _stat64(path.c_str(), &status) == 0;
  std::remove(temporary.c_str());
  return ok;
#else
  // A name no other engine of the folder picks (the process number), made
  // by this call alone (O_EXCL): only that name is ever removed.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
    temporary = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".new";
    do {
      fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += size_t(n);
    else if (n < 0 && errno == EINTR)
      continue;
    else
      ok = false;
  }
  // Some file systems tell of a full disk only when the data reaches it.
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (ok && link(temporary.c_str(), path.c_str()) != 0) {
    // EEXIST: another engine made the file first, and that one is used. A
    // file system without hard links gets a rename, onto a free name only
    // (a file made in the instant between would be replaced).
    if (errno != EEXIST) ok = Exists(path) || std::rename(temporary.c_str(), path.c_str()) == 0;
  }
  unlink(temporary.c_str());
  return ok;
#endif
}

bool IsDirectory(const char* name) {
  const std::string path = ResolveFileName(name);
  // Nothing left of the name ("", or a bare drive) names the working
  // directory, as the same drive does in front of a file name.
  if (path.empty()) return true;
#ifdef _WIN32
  struct _stat64 status;
  return _stat64(path.c_str(), &status) == 0 && (status.st_mode & _S_IFDIR);
#else
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
#endif
}

FILE* OpenSharedFile(const char* name, const char* mode) {
  const std::string path = ResolveFileName(name);
  if (path.empty()) return nullptr;
#ifdef _WIN32
  FILE* file = std::fopen(path.c_str(), mode);
#else
  FILE* file = StreamOf(OpenWithoutWaiting(path.c_str(), std::strchr(mode, '+') ? O_RDWR : O_RDONLY), mode);
#endif
  // A lookup reads only a few bytes anyway.
  if (file) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

void LockSharedFile(FILE* file, bool lock) {
#ifndef _WIN32
  flock(fileno(file), lock ? LOCK_EX : LOCK_UN);
#else
  (void)file;
  (void)lock;
#endif
}

int64_t FileLength(FILE* file) {
#ifdef _WIN32
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  return _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  return int64_t(ftello(file));
#endif
}

int SeekFile(FILE* file, uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, int64_t(offset), SEEK_SET);
#else
  if (offset > uint64_t(INT64_MAX)) return -1;
  return fseeko(file, off_t(offset), SEEK_SET);
#endif
}
