#include <shlobj.h>
#include <windows.h>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::string TempDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return "C:\\";
  return Narrow(std::wstring_view(buffer, length));
}

std::string PrivateTemporaryFolder(const std::string& name) {
  const std::string folder = TempDirectory() + name;
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  return folder + "\\";
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  HANDLE file = CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool FileExists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool EnsureFileExists(const std::string& path) {
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileExists(path);
  CloseHandle(file);
  return true;
}

std::string AppDataDirectory() {
  wchar_t buffer[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  std::string dir = Narrow(buffer);
  if (dir.empty()) return {};
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

void MarkFileHidden(const std::string& path) { SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_HIDDEN); }
void MarkFileNormal(const std::string& path) { SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL); }

}  // namespace platform
