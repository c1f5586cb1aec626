// Opening and deleting files by UTF-8 path. The C runtime's fopen takes the
// ANSI code page on Windows; these take the path as the rest of the source
// holds it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen with a UTF-8 path; null when the file cannot be opened.
FileHandle OpenFile(const std::string& path, const char* mode);

// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

}  // namespace platform
