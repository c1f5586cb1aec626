#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files.h"

namespace platform {

std::string TempDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
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
  // The base directory specification ignores relative values.
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
