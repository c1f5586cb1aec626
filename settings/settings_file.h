// config.ini: the user's settings between uses of the source.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "protocol/stored_values.h"
#include "settings/settings.h"

namespace settings {

// "config.ini" directly in the user's application-data folder; empty when
// the platform names no such folder.
std::string SettingsFilePath();

// Moves the values of one settings record and of the capability values it
// shares (pixel type, rotation, resolution) between memory and the file.
// Section and key names are GBK on disk. Nothing here is reported to the
// user: a file that cannot be read or written leaves the record as it was,
// and one that cannot be read whole is never replaced, only traced.
class SettingsFile {
 public:
  using TraceLine = std::function<void(std::string_view)>;

  // An empty path means there is no file: nothing is read or written.
  SettingsFile(std::string path, Settings& settings, caps::StoredValues& capValues, TraceLine trace = {});

  // Reads every key into the record; a key missing from the file keeps the
  // value the record holds. Returns true when the file existed and was read;
  // the file is then left visible. When it is missing, a new one is written
  // (and hidden) from the current values, the record stays as it is, and the
  // result is false. A file that exists but cannot be read whole (unreadable,
  // or larger than any settings file) is kept as it is, the record too, and
  // the result is false.
  bool LoadSettings();

  // Writes every key, keeping whatever else the file holds, then hides the
  // file; a file that cannot be read whole is left untouched.
  void SaveSettings() const;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  Settings& settings_;
  caps::StoredValues& capValues_;
  TraceLine trace_;
};

}  // namespace settings
