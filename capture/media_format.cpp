#include "capture/media_format.h"

namespace capture {
namespace {

struct NamedSubtype {
  std::string_view name;
  MediaSubtype subtype;
};

constexpr NamedSubtype kNamedSubtypes[] = {
    {"MJPG", kSubtypeMjpg}, {"YUY2", kSubtypeYuy2}, {"YVYU", kSubtypeYvyu}, {"RGB24", kSubtypeRgb24}};

bool IsFourCcBase(const MediaSubtype& subtype) {
  const MediaSubtype base = FourCcSubtype(subtype.data1);
  return subtype == base;
}

bool IsPrintable(char c) { return c > ' ' && c < 0x7F; }

}  // namespace

std::string SubtypeName(const MediaSubtype& subtype) {
  for (const NamedSubtype& named : kNamedSubtypes) {
    if (named.subtype == subtype) return std::string(named.name);
  }
  if (!IsFourCcBase(subtype)) return {};
  std::string code;
  for (int shift = 0; shift < 32; shift += 8) code += static_cast<char>((subtype.data1 >> shift) & 0xFF);
  for (char c : code) {
    if (!IsPrintable(c)) return {};
  }
  return code;
}

std::optional<MediaSubtype> SubtypeFromName(std::string_view name) {
  for (const NamedSubtype& named : kNamedSubtypes) {
    if (named.name == name) return named.subtype;
  }
  if (name.size() != 4) return std::nullopt;
  std::uint32_t code = 0;
  for (int i = 3; i >= 0; --i) {
    if (!IsPrintable(name[static_cast<std::size_t>(i)])) return std::nullopt;
    code = (code << 8) | static_cast<std::uint8_t>(name[static_cast<std::size_t>(i)]);
  }
  return FourCcSubtype(code);
}

}  // namespace capture
