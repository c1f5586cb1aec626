#include <windows.h>

#include "platform/file_stream.h"
#include "platform/win32/wide_text.h"

namespace platform {

FileHandle OpenFile(const std::string& path, const char* mode) {
  return FileHandle(_wfopen(Widen(path).c_str(), Widen(mode).c_str()));
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != FALSE; }

}  // namespace platform
