// Large-file offsets in the 32-bit build too.
#define _FILE_OFFSET_BITS 64

#include "platform/files.h"

#include <sys/stat.h>

#include <cstring>

#ifndef _WIN32
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

FILE* OpenFileAnyCase(const char* name, const char* mode) {
  const std::string path = ResolveFileName(name);
  if (path.empty()) return nullptr;
  return std::fopen(path.c_str(), mode);
}

FILE* OpenRegularFile(const char* name) {
  const std::string path = ResolveFileName(name);
  if (path.empty()) return nullptr;
#ifdef _WIN32
  struct _stat64 status;
  if (_stat64(path.c_str(), &status) != 0 || !(status.st_mode & _S_IFREG)) return nullptr;
  return std::fopen(path.c_str(), "rb");
#else
  // Opened without waiting, so that a FIFO cannot hold the caller up; the
  // type is then taken from what was opened, not from the name, which may
  // change in between.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat status;
  const int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return nullptr;
  }
  FILE* file = fdopen(fd, "rb");
  if (!file) close(fd);
  return file;
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
  FILE* file = OpenFileAnyCase(name, mode);
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
