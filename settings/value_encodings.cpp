#include "settings/value_encodings.h"

#include <charconv>
#include <system_error>

namespace settings {
namespace {

constexpr std::size_t kHex8Digits = 16;

// Bytes from 0x80 up count as "any other", as they do as signed characters.
int Hex8DigitValue(char c) {
  const int code = static_cast<unsigned char>(c);
  if (code >= 0x80) return 0;
  if (code >= 'a') return code - 87;
  if (code >= 'A') return code - 55;
  if (code >= '0') return code - 48;
  return 0;
}

}  // namespace

std::string EncodeInt(std::int32_t value) { return std::to_string(value); }

std::int32_t DecodeInt(std::string_view text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
  std::uint32_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) magnitude = 0u - magnitude;
  return static_cast<std::int32_t>(magnitude);
}

std::string EncodeReal(double value) {
  // Wide enough for the largest double written out in full.
  char buffer[512];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
  if (result.ec != std::errc()) return "0.000";
  return std::string(buffer, result.ptr);
}

double DecodeReal(std::string_view text) {
  // from_chars takes a minus sign but no plus sign.
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text[0] == '-') return 0.0;
  }
  double value = 0.0;
  const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() ? value : 0.0;
}

std::string EncodeHex8(const std::array<std::uint8_t, 8>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

void DecodeHex8(std::string_view text, std::array<std::uint8_t, 8>& bytes) {
  const std::size_t digits = text.size() < kHex8Digits ? text.size() : kHex8Digits;
  for (std::size_t i = 0; i < digits; i += 2) {
    const int high = Hex8DigitValue(text[i]);
    const int low = i + 1 < digits ? Hex8DigitValue(text[i + 1]) : 0;
    bytes[i / 2] = static_cast<std::uint8_t>((high * 16 + low) & 0xFF);
  }
}

std::string_view LimitGbkText(std::string_view gbk, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < gbk.size()) {
    const auto byte = static_cast<unsigned char>(gbk[end]);
    const std::size_t width = (byte >= 0x81 && byte <= 0xFE && end + 1 < gbk.size()) ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  return gbk.substr(0, end);
}

}  // namespace settings
