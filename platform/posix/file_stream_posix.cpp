#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/file_stream.h"

namespace platform {
namespace {

bool IsRegularDescriptor(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Wraps a descriptor in a stream; the descriptor is closed when that fails.
FileHandle StreamOf(int fd, const char* mode) {
  std::FILE* file = ::fdopen(fd, mode);
  if (file == nullptr) ::close(fd);
  return FileHandle(file);
}

// A missing path or a plain file (the link itself is looked at, not its target).
bool MayBeReplaced(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode);
}

}  // namespace

FileHandle OpenFile(const std::string& path, const char* mode) { return FileHandle(std::fopen(path.c_str(), mode)); }

FileHandle OpenRegularFile(const std::string& path) {
  // Non-blocking, so that opening a FIFO returns at once; fstat then refuses it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  const int flags = ::fcntl(fd, F_GETFL);
  if (!IsRegularDescriptor(fd) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  return StreamOf(fd, "rb");
}

bool IsRegularFile(std::FILE* file) { return file != nullptr && IsRegularDescriptor(::fileno(file)); }

bool CloseWritten(FileHandle file) {
  if (!file) return false;
  const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
  return std::fclose(file.release()) == 0 && flushed;
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)), temporary_(path_ + ".part") {
  // A leftover temporary (or anything planted under its name) goes first; a
  // new one is then made exclusively, so no link or FIFO is ever opened.
  ::unlink(temporary_.c_str());
  const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd >= 0) file_ = StreamOf(fd, "wb");
}

FileReplacement::~FileReplacement() {
  if (file_) {
    file_.reset();
    ::unlink(temporary_.c_str());
  }
}

bool FileReplacement::Commit() {
  if (!file_) return false;
  const bool written = CloseWritten(std::move(file_));
  if (written && MayBeReplaced(path_) && std::rename(temporary_.c_str(), path_.c_str()) == 0) return true;
  ::unlink(temporary_.c_str());
  return false;
}

}  // namespace platform
