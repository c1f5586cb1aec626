#include <windows.h>

#include "platform/text_encoding.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr UINT kGbk = 936;

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string FromWide(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
std::string Narrow(std::wstring_view wide) { return FromWide(wide, CP_UTF8); }
std::string Utf8ToGbk(std::string_view utf8) { return FromWide(ToWide(utf8, CP_UTF8), kGbk); }
std::string GbkToUtf8(std::string_view gbk) { return FromWide(ToWide(gbk, kGbk), CP_UTF8); }
std::string ApplicationTextToUtf8(std::string_view text) { return FromWide(ToWide(text, CP_ACP), CP_UTF8); }

}  // namespace platform
