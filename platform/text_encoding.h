// The system's texts are UTF-8 in the source; the trace file, the settings
// file and the watermark font name are GBK bytes (code page 936) on disk.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Characters GBK cannot hold become '?'.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// Texts that applications pass in TWAIN strings (file names) are in the
// process's ANSI code page on Windows and UTF-8 on Linux.
std::string ApplicationTextToUtf8(std::string_view text);

}  // namespace platform
