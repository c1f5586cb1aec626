// A temporary folder of a benchmark's own, for the stills it stores and the
// correction's work pictures, removed when the benchmark ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace bench {

class BenchFolder {
 public:
  // `name` starts the folder's name, so a left-over folder tells whose it was.
  explicit BenchFolder(const std::string& name) {
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
  }
  ~BenchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  // Ends in '/'; empty when the folder could not be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace bench
