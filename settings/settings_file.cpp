#include "settings/settings_file.h"

#include <utility>

#include "platform/files.h"
#include "settings/file_bytes.h"
#include "settings/private_profile.h"
#include "settings/settings_keys.h"

namespace settings {

std::string SettingsFilePath() {
  const std::string folder = platform::AppDataDirectory();
  return folder.empty() ? std::string() : folder + "config.ini";
}

SettingsFile::SettingsFile(std::string path, Settings& settings, caps::StoredValues& capValues, TraceLine trace)
    : path_(std::move(path)), settings_(settings), capValues_(capValues), trace_(std::move(trace)) {}

bool SettingsFile::LoadSettings() {
  if (path_.empty()) return false;
  platform::MarkFileNormal(path_);
  FileBytes file = ReadFileBytes(path_);
  if (file.outcome == FileBytes::Outcome::Missing) {
    SaveSettings();
    return false;
  }
  // A file that exists but cannot be read whole is left alone rather than replaced.
  if (file.outcome == FileBytes::Outcome::Unreadable) {
    if (trace_) trace_("\nconfig.ini cannot be read whole: it is kept as it is, and the settings stay as they are");
    return false;
  }

  ReadSettings(PrivateProfile(std::move(file.bytes)), settings_, capValues_);
  return true;
}

void SettingsFile::SaveSettings() const {
  if (path_.empty()) return;
  platform::MarkFileNormal(path_);
  FileBytes file = ReadFileBytes(path_);
  if (file.outcome == FileBytes::Outcome::Unreadable) {
    if (trace_) trace_("\nconfig.ini cannot be read whole: the settings are not saved over it");
    return;
  }

  PrivateProfile profile(file.bytes);
  WriteSettings(profile, settings_, capValues_);
  const bool unchanged = file.outcome == FileBytes::Outcome::Read && profile.Bytes() == file.bytes;
  if (!unchanged) ReplaceFileBytes(path_, profile.Bytes());
  platform::MarkFileHidden(path_);
}

}  // namespace settings
