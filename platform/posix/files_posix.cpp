#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/files.h"

namespace platform {
namespace {

// A real directory of this user that nobody else may write to. One that
// others may merely read is made private: pictures are the user's documents.
bool IsPrivateFolder(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  return (info.st_mode & (S_IRWXG | S_IRWXO)) == 0 || ::chmod(path.c_str(), S_IRWXU) == 0;
}

// The folder's path without its trailing separator: in $TMPDIR, the user's
// stated choice, else in the per-user runtime directory, else in /tmp
// under a name of this user's own.
std::string CandidateFolder(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string base;
  std::string leaf = name;
  if (tmp != nullptr && *tmp != '\0') {
    base = tmp;
  } else if (runtime != nullptr && runtime[0] == '/') {
    base = runtime;
  } else {
    base = "/tmp";
    leaf += "-" + std::to_string(::geteuid());
  }
  if (base.back() != '/') base += '/';
  return base + leaf;
}

}  // namespace

std::string TempDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string PrivateTemporaryFolder(const std::string& name) {
  const std::string folder = CandidateFolder(name);
  if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno == ENOENT) {
    // A temporary directory that does not exist yet is made, as before.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ignored);
    ::mkdir(folder.c_str(), S_IRWXU);
  }
  if (IsPrivateFolder(folder)) return folder + "/";

  // Whoever made the refused folder keeps it; this process uses its own.
  static std::mutex mutex;
  static std::map<std::string, std::string> replacements;
  const std::lock_guard lock(mutex);
  if (const auto found = replacements.find(folder); found != replacements.end() && IsPrivateFolder(found->second)) {
    return found->second + "/";
  }
  std::string fresh = folder + "-XXXXXX";
  if (::mkdtemp(fresh.data()) == nullptr) return {};
  replacements[folder] = fresh;
  return fresh + "/";
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written <= 0) {
      ok = false;
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return ::close(fd) == 0 && ok;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool EnsureFileExists(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return FileExists(path);
  ::close(fd);
  return true;
}

std::string AppDataDirectory() {
  // The XDG base-directory rules ignore relative values.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string dir;
  if (config != nullptr && config[0] == '/') {
    dir = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return {};
    dir = home;
    if (dir.back() != '/') dir += '/';
    dir += ".config";
  }
  if (dir.back() != '/') dir += '/';
  return dir;
}

void MarkFileHidden(const std::string&) {}
void MarkFileNormal(const std::string&) {}

}  // namespace platform
