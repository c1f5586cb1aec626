// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <optional>
#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory with a trailing separator.
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Sets (or, given std::nullopt, removes) an environment variable for the
// object's lifetime, then restores it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value);
  ScopedEnvironment(std::string name, std::nullopt_t);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  bool hadValue_;
  std::string oldValue_;
};

std::string ReadFileBytes(const std::string& path);

}  // namespace testing_support
