// Reading the settings file whole and replacing it whole.
#pragma once

#include <string>
#include <string_view>

namespace settings {

struct FileBytes {
  enum class Outcome { Missing, Read, Unreadable };
  Outcome outcome = Outcome::Missing;
  std::string bytes;
};

// Reads the file at `path` (UTF-8). A file larger than any settings file
// could be cannot be read whole and so counts as unreadable: what the user
// keeps in it must not be saved over with the little that could be read.
FileBytes ReadFileBytes(const std::string& path);

// Writes `bytes` to a new file beside `path` and then renames it over
// `path`, so that a failed write (a full disk) leaves the old file whole.
// A symbolic link keeps pointing at the replaced file. Returns false when
// nothing was replaced.
bool ReplaceFileBytes(const std::string& path, std::string_view bytes);

}  // namespace settings
