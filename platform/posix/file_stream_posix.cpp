#include <cstdio>

#include "platform/file_stream.h"

namespace platform {

FileHandle OpenFile(const std::string& path, const char* mode) { return FileHandle(std::fopen(path.c_str(), mode)); }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

}  // namespace platform
