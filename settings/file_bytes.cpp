#include "settings/file_bytes.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace settings {
namespace {

namespace fs = std::filesystem;

// A hand-edited settings file is a few kilobytes.
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

// On Windows a narrow path would be taken in the ANSI code page; paths here are UTF-8.
fs::path PathFromUtf8(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// Two processes saving at once must not share a temporary file.
fs::path TemporaryBeside(const fs::path& target) {
  int local = 0;
  const auto ticks = static_cast<std::uintmax_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  const auto stamp = ticks ^ reinterpret_cast<std::uintptr_t>(&local);
  std::string suffix = ".";
  suffix.append(std::to_string(stamp)).append(".tmp");
  fs::path temporary = target;
  temporary += suffix;
  return temporary;
}

}  // namespace

FileBytes ReadFileBytes(const std::string& path) {
  const fs::path file = PathFromUtf8(path);
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (status.type() == fs::file_type::not_found) return {};
  if (error || !fs::is_regular_file(status)) return {FileBytes::Outcome::Unreadable, {}};

  std::ifstream in(file, std::ios::binary);
  if (!in) return {FileBytes::Outcome::Unreadable, {}};
  // Read to the end, as the file is now rather than as it was measured.
  std::string bytes;
  char buffer[1 << 14];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxFileBytes) return {FileBytes::Outcome::Unreadable, {}};
  }
  if (in.bad()) return {FileBytes::Outcome::Unreadable, {}};
  return {FileBytes::Outcome::Read, std::move(bytes)};
}

bool ReplaceFileBytes(const std::string& path, std::string_view bytes) {
  fs::path target = PathFromUtf8(path);
  std::error_code error;
  if (fs::is_symlink(target, error)) {
    fs::path resolved = fs::canonical(target, error);
    if (!error) target = std::move(resolved);
  }
  const fs::path temporary = TemporaryBeside(target);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, error);
      return false;
    }
  }
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace settings
