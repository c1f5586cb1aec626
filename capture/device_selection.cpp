#include "capture/device_selection.h"

namespace capture {
namespace {

constexpr std::size_t kKeyStart = 4;
constexpr std::size_t kKeyLength = 21;

// Texts from the service are C strings: nothing after a NUL counts.
std::string_view AsCString(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::string PathKey(std::string_view devicePath) {
  const std::string_view path = AsCString(devicePath);
  if (path.size() <= kKeyStart) return {};
  return std::string(path.substr(kKeyStart, kKeyLength));
}

bool DeviceMatchRule::Matches(std::string_view deviceName, std::string_view deviceKey) const {
  if (AsCString(deviceKey) != pathKey) return false;
  return !friendlyName || AsCString(deviceName) == *friendlyName;
}

bool IsDocumentCamera(std::string_view friendlyName, std::string_view devicePath) {
  const std::string key = PathKey(devicePath);
  for (const DeviceMatchRule& rule : kDocumentCameraTable) {
    if (rule.Matches(friendlyName, key)) return true;
  }
  return false;
}

}  // namespace capture
