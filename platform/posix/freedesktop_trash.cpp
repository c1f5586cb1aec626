#include "platform/posix/freedesktop_trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/local_time.h"

namespace platform {
namespace {

// Folders the trash needs are the user's alone.
bool MakeFolders(const std::string& path) {
  std::string partial;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    partial = path.substr(0, end);
    if (!partial.empty() && ::mkdir(partial.c_str(), S_IRWXU) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A trash directory a file can go to: a real directory of this user, with
// its "files" and "info" folders.
bool PrepareTrash(const std::string& trash) {
  if (!MakeFolders(trash)) return false;
  struct stat info {};
  if (::lstat(trash.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  return MakeFolders(trash + "/files") && MakeFolders(trash + "/info");
}

std::optional<dev_t> DeviceOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return info.st_dev;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The path itself when it exists, else its nearest existing folder.
std::string NearestExisting(std::string path) {
  while (path != "/" && !DeviceOf(path)) path = ParentOf(path);
  return path;
}

// The file's absolute path with its folder resolved (the file itself may be a link).
std::string AbsolutePath(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char* folder = ::realpath(ParentOf(path).c_str(), nullptr);
  if (folder == nullptr) return {};
  std::string absolute = folder;
  std::free(folder);
  if (absolute.back() != '/') absolute += '/';
  return absolute + name;
}

// The top folder of the file system holding `absolute`: the highest of its
// folders on the same device.
std::string TopFolderOf(const std::string& absolute, dev_t device) {
  std::string top = ParentOf(absolute);
  while (top != "/") {
    const std::string up = ParentOf(top);
    const auto upDevice = DeviceOf(up);
    if (!upDevice || *upDevice != device) break;
    top = up;
  }
  return top;
}

// The trash of a file system's top folder: the administrator's sticky
// $topdir/.Trash with a folder per user, else the user's $topdir/.Trash-$uid.
std::string TopFolderTrash(const std::string& top) {
  const std::string base = top == "/" ? std::string() : top;
  const std::string uid = std::to_string(::geteuid());
  const std::string shared = base + "/.Trash";
  struct stat info {};
  if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0 &&
      PrepareTrash(shared + "/" + uid)) {
    return shared + "/" + uid;
  }
  const std::string own = base + "/.Trash-" + uid;
  return PrepareTrash(own) ? own : std::string();
}

// Claims a name in the trash by creating its record exclusively: the file's
// own name, else "stem.2.ext", "stem.3.ext" and so on. Returns the name.
std::optional<std::string> ClaimTrashName(const std::string& trash, const std::string& name, const std::string& info) {
  const std::size_t dot = name.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && dot != 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : std::string();
  for (int attempt = 1; attempt < 10000; ++attempt) {
    const std::string candidate = attempt == 1 ? name : stem + "." + std::to_string(attempt) + extension;
    const std::string record = trash + "/info/" + candidate + ".trashinfo";
    const int fd = ::open(record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    std::string_view bytes = info;
    bool written = true;
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd, bytes.data(), bytes.size());
      if (n <= 0) {
        written = false;
        break;
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) written = false;
    if (written && ::access((trash + "/files/" + candidate).c_str(), F_OK) != 0) return candidate;
    ::unlink(record.c_str());
    if (!written) return std::nullopt;
  }
  return std::nullopt;
}

bool MoveInto(const std::string& trash, const std::string& absolute, const std::string& recordedPath) {
  const std::string name = absolute.substr(absolute.find_last_of('/') + 1);
  const auto claimed = ClaimTrashName(trash, name, TrashInfoText(recordedPath, LocalTimeNow()));
  if (!claimed) return false;
  if (::rename(absolute.c_str(), (trash + "/files/" + *claimed).c_str()) == 0) return true;
  ::unlink((trash + "/info/" + *claimed + ".trashinfo").c_str());
  return false;
}

}  // namespace

std::string EscapeTrashPath(const std::string& path) {
  static constexpr std::string_view kKept = "-_.!~*'()/";
  std::string escaped;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool alphanumeric =
        (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
    if (alphanumeric || kKept.find(c) != std::string_view::npos) {
      escaped += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      escaped += hex;
    }
  }
  return escaped;
}

std::string TrashInfoText(const std::string& originalPath, const std::tm& deleted) {
  char date[80];
  std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", deleted.tm_year + 1900, deleted.tm_mon + 1,
                deleted.tm_mday, deleted.tm_hour, deleted.tm_min, deleted.tm_sec);
  return "[Trash Info]\nPath=" + EscapeTrashPath(originalPath) + "\nDeletionDate=" + date + "\n";
}

std::string HomeTrashDirectory() {
  // The XDG base-directory rules ignore relative values.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return std::string(home) + "/.local/share/Trash";
}

bool MoveToFreedesktopTrash(const std::string& path) {
  struct stat file {};
  if (path.empty() || ::lstat(path.c_str(), &file) != 0) return false;
  const std::string absolute = AbsolutePath(path);
  if (absolute.empty()) return false;

  // A file on the home trash's file system goes there or nowhere.
  const std::string home = HomeTrashDirectory();
  if (!home.empty() && DeviceOf(NearestExisting(home)) == file.st_dev) {
    return PrepareTrash(home) && MoveInto(home, absolute, absolute);
  }
  // Another file system: its own trash, which records paths from its top folder.
  const std::string top = TopFolderOf(absolute, file.st_dev);
  const std::string trash = TopFolderTrash(top);
  if (trash.empty() || DeviceOf(trash) != file.st_dev) return false;
  const std::string relative = top == "/" ? absolute.substr(1) : absolute.substr(top.size() + 1);
  return MoveInto(trash, absolute, relative);
}

}  // namespace platform
