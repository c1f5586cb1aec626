// Which video devices are document cameras: a table of path keys and
// friendly names, matched against what the capture service reports.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace capture {

// The part of a device path that names the bus, the vendor and the product
// ("usb#vid_XXXX&pid_YYYY"): the 21 characters after the first four. A shorter
// path gives a shorter key; a path of four characters or fewer, an empty one.
std::string PathKey(std::string_view devicePath);

// One row of a camera table. Both comparisons are exact: case-sensitive, and
// a longer or shorter text never matches.
struct DeviceMatchRule {
  std::string_view pathKey;
  std::optional<std::string_view> friendlyName;  // none: any name

  bool Matches(std::string_view deviceName, std::string_view deviceKey) const;
};

// The document-camera table, tried in order. Rule 4 takes the first key
// whatever the name, so a device qualifies exactly when its key is one of
// the two keys; the named rules and the repeated last rule are kept as the
// table has always been.
inline constexpr std::string_view kFirstCameraKey = "usb#vid_4d56&pid_2c01";
inline constexpr std::string_view kSecondCameraKey = "usb#vid_4d56&pid_2c02";
inline constexpr std::array<DeviceMatchRule, 5> kDocumentCameraTable = {{
    {kFirstCameraKey, "Mervale Document Camera"},
    {kFirstCameraKey, "Mervale Visualiser HD"},
    {kSecondCameraKey, std::nullopt},
    {kFirstCameraKey, std::nullopt},
    {kFirstCameraKey, std::nullopt},
}};

// Whether a device with this friendly name and device path matches a rule of the table.
bool IsDocumentCamera(std::string_view friendlyName, std::string_view devicePath);

}  // namespace capture
