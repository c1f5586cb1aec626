// The trace file: every triplet and every handler leaves its words here.
// Texts are UTF-8 in the code and GBK bytes in the file; the file is appended
// to, never truncated, and a failing write changes nothing for the caller.
#pragma once

#include <string>
#include <string_view>

namespace twain {

class Trace {
 public:
  explicit Trace(std::string path) : path_(std::move(path)) {}

  void Write(std::string_view utf8) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// "C:\twsrc.log" on Windows; twsrc.log in the temporary directory on Linux.
std::string DefaultTracePath();

}  // namespace twain
