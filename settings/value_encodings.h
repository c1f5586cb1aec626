// How the settings file spells its values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace settings {

// "%d".
std::string EncodeInt(std::int32_t value);
// A decimal integer as the profile functions read one: an optional sign and
// the digits up to the first other character, wrapping modulo 2^32; text
// without digits reads as 0.
std::int32_t DecodeInt(std::string_view text);

// "%3.3f", with a decimal point whatever the C locale of the process.
std::string EncodeReal(double value);
// A decimal number; text that does not start with one reads as 0.0.
double DecodeReal(std::string_view text);

// The 8 bytes as 16 uppercase hexadecimal digits, high nibble first.
std::string EncodeHex8(const std::array<std::uint8_t, 8>& bytes);
// Decodes up to 16 characters tolerantly: a character from "a" up counts as
// its code minus 87, from "A" up minus 55, from "0" up minus 48, any other as
// 0. Consecutive values pair up into bytes from the start of the field, the
// first as high nibble; a value left over becomes the high nibble of one more
// byte. Bytes past those the text covers keep their values.
void DecodeHex8(std::string_view text, std::array<std::uint8_t, 8>& bytes);

// At most `maxBytes` bytes of GBK text, never ending inside a double-byte character.
std::string_view LimitGbkText(std::string_view gbk, std::size_t maxBytes);

}  // namespace settings
