#include "settings/settings_keys.h"

#include <array>
#include <optional>
#include <string_view>
#include <variant>

#include "platform/text_encoding.h"
#include "settings/resolution.h"
#include "settings/value_encodings.h"

namespace settings {
namespace {

// The longest watermark text the file gives back, in bytes of GBK.
constexpr std::size_t kMaxTextBytes = 99;

// The kinds of key, each pointing at the value it holds. A key absent from
// the file, or a number left without a value, changes nothing: the value
// stays what the record holds, the first-start value unless this process
// changed it. (Reading such keys as 3, as the profile functions' default
// would give, turned a damaged file into ID-card mode at 3 dpi turned by
// 270 degrees with the watermark on.)
struct IntKey {
  std::int32_t* field;
};
struct Uint16Key {  // written as its unsigned value, read truncated to 16 bits
  std::uint16_t* field;
};
struct Uint32Key {  // written as a signed 32-bit value
  std::uint32_t* field;
};
struct FlagKey {
  bool* field;
  bool onlyOneSets;  // set by exactly 1, else by anything but 0
};
struct RealKey {
  double* field;
};
struct TextKey {  // UTF-8 in memory, GBK in the file; an empty value is an empty text
  std::string* field;
};
struct Hex8Key {
  std::array<std::uint8_t, 8>* field;
};
using Binding = std::variant<IntKey, Uint16Key, Uint32Key, FlagKey, RealKey, TextKey, Hex8Key>;

struct Key {
  std::string_view section;  // UTF-8
  std::string_view name;     // UTF-8
  Binding binding;
};

constexpr std::string_view kPicture = "图片参数";
constexpr std::string_view kFormat = "分辨率参数";
constexpr std::string_view kWatermark = "水印";
constexpr std::string_view kPaging = "分页";
constexpr std::string_view kBlackWhite = "二值化参数";
constexpr std::string_view kScanning = "扫描参数";
constexpr std::string_view kCropFrame = "框选参数";
constexpr std::string_view kIdCard = "身份证位置";

constexpr std::size_t kKeyCount = 46;

// Every key in the order in which it is written and read. Writing appends a
// missing section at the end of the file, so this order also fixes the
// order of the sections in a new file.
std::array<Key, kKeyCount> KeysOf(Settings& s, caps::StoredValues& caps) {
  VideoFormat& document = s.documentFormat;
  VideoFormat& face = s.faceFormat;
  return {{
      {kPicture, "图片类型", Uint16Key{&caps.pixelType}},
      {kPicture, "旋转角度", Uint16Key{&caps.rotationIndex}},
      {kFormat, "Width", IntKey{&document.width}},
      {kFormat, "Height", IntKey{&document.height}},
      {kFormat, "Rate", Uint32Key{&document.bitRate}},
      {kFormat, "Data1", Uint32Key{&document.subtype.data1}},
      {kFormat, "Data2", Uint16Key{&document.subtype.data2}},
      {kFormat, "Data3", Uint16Key{&document.subtype.data3}},
      {kFormat, "Data4", Hex8Key{&document.subtype.data4}},
      {kFormat, "Width_Face1", IntKey{&face.width}},
      {kFormat, "Height_Face1", IntKey{&face.height}},
      {kFormat, "Rate_Face1", Uint32Key{&face.bitRate}},
      {kFormat, "Data12", Uint32Key{&face.subtype.data1}},
      {kFormat, "Data22", Uint16Key{&face.subtype.data2}},
      {kFormat, "Data32", Uint16Key{&face.subtype.data3}},
      {kFormat, "Data42", Hex8Key{&face.subtype.data4}},
      {kPicture, "水平DPI", IntKey{&s.dpiX}},
      {kPicture, "垂直DPI", IntKey{&s.dpiY}},
      {kPicture, "实际英寸", FlagKey{&s.actualSizeA3, true}},
      {kPicture, "图片压缩率", IntKey{&s.pictureQuality}},
      {kPicture, "自动矫正", IntKey{&s.autoCorrect}},
      {kPicture, "自动切边", IntKey{&s.autoCrop}},
      {kPicture, "身份证", IntKey{&s.idCardMode}},
      {kPicture, "类型", IntKey{&s.fileFormatIndex}},
      {kWatermark, "水印开启", IntKey{&s.watermarkOn}},
      {kWatermark, "水印加时间", IntKey{&s.watermarkTime}},
      {kWatermark, "水印内容", TextKey{&s.watermarkText}},
      {kPaging, "去手指", IntKey{&s.fingerErase}},
      {kPaging, "分页", IntKey{&s.smartPaging}},
      {kPaging, "展平", IntKey{&s.curveFlatten}},
      {kBlackWhite, "红色系统", RealKey{&s.coefRed}},
      {kBlackWhite, "绿色系统", RealKey{&s.coefGreen}},
      {kBlackWhite, "蓝色系统", RealKey{&s.coefBlue}},
      {kBlackWhite, "黑白处理阀值", RealKey{&s.bwThreshold}},
      {kScanning, "扫描类型", IntKey{&s.scanType}},
      {kScanning, "连扫间隔", IntKey{&s.scanInterval}},
      {kScanning, "自动连扫", FlagKey{&s.autoContinuous, false}},
      {kCropFrame, "框选", FlagKey{&s.cropFrameShown, false}},
      {kCropFrame, "左", IntKey{&s.cropFrameStart.x}},
      {kCropFrame, "上", IntKey{&s.cropFrameStart.y}},
      {kCropFrame, "右", IntKey{&s.cropFrameEnd.x}},
      {kCropFrame, "下", IntKey{&s.cropFrameEnd.y}},
      {kIdCard, "SFZLeft", IntKey{&s.idLeft}},
      {kIdCard, "SFZRight", IntKey{&s.idRight}},
      {kIdCard, "SFZUp", IntKey{&s.idUp}},
      {kIdCard, "SFZDown", IntKey{&s.idDown}},
  }};
}

// The section and key names as the file spells them, converted once.
struct GbkNames {
  std::string section;
  std::string name;
};

const std::array<GbkNames, kKeyCount>& NamesOnDisk() {
  static const std::array<GbkNames, kKeyCount> names = [] {
    Settings settings;
    caps::StoredValues capValues;
    const std::array<Key, kKeyCount> keys = KeysOf(settings, capValues);
    std::array<GbkNames, kKeyCount> converted;
    for (std::size_t i = 0; i < kKeyCount; ++i) {
      converted[i] = {platform::Utf8ToGbk(keys[i].section), platform::Utf8ToGbk(keys[i].name)};
    }
    return converted;
  }();
  return names;
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// The text of a number, or nothing for a key that is absent or left without a value.
std::optional<std::string_view> NumberText(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  return std::string_view(*text);
}

std::string Encode(const Binding& binding) {
  return std::visit(Overloaded{
                        [](const IntKey& key) { return EncodeInt(*key.field); },
                        [](const Uint16Key& key) { return EncodeInt(*key.field); },
                        [](const Uint32Key& key) { return EncodeInt(static_cast<std::int32_t>(*key.field)); },
                        [](const FlagKey& key) { return EncodeInt(*key.field ? 1 : 0); },
                        [](const RealKey& key) { return EncodeReal(*key.field); },
                        [](const TextKey& key) { return platform::Utf8ToGbk(*key.field); },
                        [](const Hex8Key& key) { return EncodeHex8(*key.field); },
                    },
                    binding);
}

void Decode(const Binding& binding, const std::optional<std::string>& text) {
  if (!text) return;
  if (const auto* key = std::get_if<TextKey>(&binding)) {
    *key->field = platform::GbkToUtf8(LimitGbkText(*text, kMaxTextBytes));
    return;
  }
  if (const auto* key = std::get_if<Hex8Key>(&binding)) {
    DecodeHex8(*text, *key->field);
    return;
  }
  const std::optional<std::string_view> number = NumberText(text);
  if (!number) return;
  std::visit(Overloaded{
                 [&](const IntKey& key) { *key.field = DecodeInt(*number); },
                 [&](const Uint16Key& key) { *key.field = static_cast<std::uint16_t>(DecodeInt(*number)); },
                 [&](const Uint32Key& key) { *key.field = static_cast<std::uint32_t>(DecodeInt(*number)); },
                 [&](const FlagKey& key) {
                   const std::int32_t value = DecodeInt(*number);
                   *key.field = key.onlyOneSets ? value == 1 : value != 0;
                 },
                 [&](const RealKey& key) { *key.field = DecodeReal(*number); },
                 [](const TextKey&) {},
                 [](const Hex8Key&) {},
             },
             binding);
}

}  // namespace

void ReadSettings(const PrivateProfile& profile, Settings& settings, caps::StoredValues& capValues) {
  const std::array<Key, kKeyCount> keys = KeysOf(settings, capValues);
  const auto& names = NamesOnDisk();
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    Decode(keys[i].binding, profile.Get(names[i].section, names[i].name));
  }
  ApplyDpiPair(settings, capValues, settings.dpiX, settings.dpiY);
}

void WriteSettings(PrivateProfile& profile, const Settings& settings, const caps::StoredValues& capValues) {
  // The table points at the values to read and write them; writing only reads.
  const std::array<Key, kKeyCount> keys =
      KeysOf(const_cast<Settings&>(settings), const_cast<caps::StoredValues&>(capValues));
  const auto& names = NamesOnDisk();
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    profile.Set(names[i].section, names[i].name, Encode(keys[i].binding));
  }
}

}  // namespace settings
