// Opening, writing and deleting files by UTF-8 path. The C runtime's fopen
// takes the ANSI code page on Windows; these take the path as the rest of the
// source holds it.
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

// Opens an existing plain file for reading in binary mode. Null for anything
// else: a link is not followed, and a FIFO or device is refused without
// waiting for a writer, so nothing planted under a picture's name is read.
FileHandle OpenRegularFile(const std::string& path);

// Whether the open stream is a plain file on disk (not a device, FIFO or console).
bool IsRegularFile(std::FILE* file);

// Flushes and closes the stream; false when an earlier write, the flush or
// the close failed, since a full disk may show only at the flush or close.
bool CloseWritten(FileHandle file);

// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

// A file written whole or not at all. The bytes go to a fresh temporary
// sibling ("<path>.part", links not followed) that takes the place of `path`
// only when every write, the flush and the close succeeded and `path` is
// missing or a plain file. Otherwise the temporary is removed and `path`
// keeps what it held: a full disk never leaves a cut file under the name,
// and nothing but a plain file is ever replaced.
class FileReplacement {
 public:
  explicit FileReplacement(std::string path);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Where to write; null when the temporary could not be made.
  std::FILE* Stream() const { return file_.get(); }
  // Puts the written file in place; false (nothing replaced) on any failure.
  bool Commit();

 private:
  std::string path_;
  std::string temporary_;
  FileHandle file_;
};

}  // namespace platform
