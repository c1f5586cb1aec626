#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <utility>

#include "platform/file_stream.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kNotPlainFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// A disk file that is neither a directory nor a link or other reparse point.
bool IsPlainDiskFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information) != FALSE &&
         (information.dwFileAttributes & kNotPlainFile) == 0;
}

// Wraps a file handle in a stream; the handle is closed when that fails.
FileHandle StreamOf(HANDLE handle, int openFlags, const char* mode) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), openFlags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) _close(fd);
  return FileHandle(file);
}

// Moves the temporary over the path. A scanner or indexer that has just
// opened the old file makes the replacement fail for a moment: a few short
// retries ride that out.
bool MoveOver(const std::wstring& temporary, const std::wstring& path) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return false;
    Sleep(20);
  }
  return false;
}

// A missing path or a plain file (a link is looked at, not its target).
bool MayBeReplaced(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  return (attributes & kNotPlainFile) == 0;
}

}  // namespace

FileHandle OpenFile(const std::string& path, const char* mode) {
  return FileHandle(_wfopen(Widen(path).c_str(), Widen(mode).c_str()));
}

FileHandle OpenRegularFile(const std::string& path) {
  // The reparse point itself is opened, never what it points to; the checks then refuse it.
  HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!IsPlainDiskFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  return StreamOf(handle, _O_RDONLY, "rb");
}

bool IsRegularFile(std::FILE* file) {
  if (file == nullptr) return false;
  const intptr_t handle = _get_osfhandle(_fileno(file));
  return handle != -1 && IsPlainDiskFile(reinterpret_cast<HANDLE>(handle));
}

bool CloseWritten(FileHandle file) {
  if (!file) return false;
  const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
  return std::fclose(file.release()) == 0 && flushed;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != FALSE; }

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)), temporary_(path_ + ".part") {
  // A leftover temporary goes first (a link is deleted itself, not its
  // target); the new one is then made exclusively.
  const std::wstring temporary = Widen(temporary_);
  DeleteFileW(temporary.c_str());
  HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) file_ = StreamOf(handle, _O_WRONLY, "wb");
}

FileReplacement::~FileReplacement() {
  if (file_) {
    file_.reset();
    DeleteFileW(Widen(temporary_).c_str());
  }
}

bool FileReplacement::Commit() {
  if (!file_) return false;
  const bool written = CloseWritten(std::move(file_));
  const std::wstring path = Widen(path_);
  const std::wstring temporary = Widen(temporary_);
  if (written && MayBeReplaced(path) && MoveOver(temporary, path)) return true;
  DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace platform
