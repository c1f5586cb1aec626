// Files and folders as the source uses them.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The temporary directory with a trailing separator: GetTempPath on Windows,
// $TMPDIR or else /tmp on Linux.
std::string TempDirectory();

// The folder `name` in a place that belongs to the current user alone, with
// a trailing separator, created when missing. Windows: in the user's own
// temporary directory. Linux: in $TMPDIR when it is set, else in
// $XDG_RUNTIME_DIR, else in /tmp as "<name>-<user id>"; the folder must be a
// real directory (not a link) owned by the user and writable by no one else
// (one merely readable by others is made private). A folder that fails
// these checks is never used: a fresh private folder "<name>-XXXXXX" is
// made beside it instead, the same one for the rest of the process. Empty
// when no such folder can be had (for example, the disk is full).
std::string PrivateTemporaryFolder(const std::string& name);

// Appends `bytes` to the file at `path`, creating it when missing. Returns
// false on any failure; the file is never truncated.
bool AppendToFile(const std::string& path, std::string_view bytes);

bool FileExists(const std::string& path);

// Creates an empty file unless one exists. Returns whether the file exists afterwards.
bool EnsureFileExists(const std::string& path);

// The current user's application-data folder with a trailing separator,
// looked up without creating it: CSIDL_APPDATA on Windows, $XDG_CONFIG_HOME
// or else ~/.config on Linux. Empty when the platform knows of none.
std::string AppDataDirectory();

// The file's attributes become hidden, or normal (no attribute at all, so
// neither hidden nor read-only). Failures are ignored. Linux has no hidden
// attribute: both do nothing there.
void MarkFileHidden(const std::string& path);
void MarkFileNormal(const std::string& path);

}  // namespace platform
