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

// The kinds of key, each pointing at the value it holds. `missing` is what
// a key absent from the file (or left without a value) reads as.
struct IntKey {
  std::int32_t* field;
  std::int32_t missing;
};
struct Uint16Key {  // written as its unsigned value, read truncated to 16 bits
  std::uint16_t* field;
  std::int32_t missing;
};
struct Uint32Key {  // written as a signed 32-bit value
  std::uint32_t* field;
  std::int32_t missing;
};
struct FlagKey {
  bool* field;
  std::int32_t missing;
  bool onlyOneSets;  // set by exactly 1, else by anything but 0
};
struct RealKey {  // an absent key reads as 0.0
  double* field;
};
struct TextKey {  // UTF-8 in memory, GBK in the file
  std::string* field;
};
struct Hex8Key {  // an absent key changes nothing
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
      {kPicture, "图片类型", Uint16Key{&caps.pixelType, 3}},
      {kPicture, "旋转角度", Uint16Key{&caps.rotationIndex, 3}},
      {kFormat, "Width", IntKey{&document.width, 0}},
      {kFormat, "Height", IntKey{&document.height, 0}},
      {kFormat, "Rate", IntKey{&document.bitRate, 3}},
      {kFormat, "Data1", Uint32Key{&document.subtype.data1, 3}},
      {kFormat, "Data2", Uint16Key{&document.subtype.data2, 3}},
      {kFormat, "Data3", Uint16Key{&document.subtype.data3, 3}},
      {kFormat, "Data4", Hex8Key{&document.subtype.data4}},
      {kFormat, "Width_Face1", IntKey{&face.width, 0}},
      {kFormat, "Height_Face1", IntKey{&face.height, 0}},
      {kFormat, "Rate_Face1", IntKey{&face.bitRate, 3}},
      {kFormat, "Data12", Uint32Key{&face.subtype.data1, 3}},
      {kFormat, "Data22", Uint16Key{&face.subtype.data2, 3}},
      {kFormat, "Data32", Uint16Key{&face.subtype.data3, 3}},
      {kFormat, "Data42", Hex8Key{&face.subtype.data4}},
      {kPicture, "水平DPI", IntKey{&s.dpiX, 3}},
      {kPicture, "垂直DPI", IntKey{&s.dpiY, 3}},
      {kPicture, "实际英寸", FlagKey{&s.actualSizeA3, 3, true}},
      {kPicture, "图片压缩率", IntKey{&s.pictureQuality, 3}},
      {kPicture, "自动矫正", IntKey{&s.autoCorrect, 3}},
      {kPicture, "自动切边", IntKey{&s.autoCrop, 3}},
      {kPicture, "身份证", IntKey{&s.idCardMode, 3}},
      {kPicture, "类型", IntKey{&s.fileFormatIndex, 0}},
      {kWatermark, "水印开启", IntKey{&s.watermarkOn, 3}},
      {kWatermark, "水印加时间", IntKey{&s.watermarkTime, 3}},
      {kWatermark, "水印内容", TextKey{&s.watermarkText}},
      {kPaging, "去手指", IntKey{&s.fingerErase, 0}},
      {kPaging, "分页", IntKey{&s.smartPaging, 0}},
      {kPaging, "展平", IntKey{&s.curveFlatten, 0}},
      {kBlackWhite, "红色系统", RealKey{&s.coefRed}},
      {kBlackWhite, "绿色系统", RealKey{&s.coefGreen}},
      {kBlackWhite, "蓝色系统", RealKey{&s.coefBlue}},
      {kBlackWhite, "黑白处理阀值", RealKey{&s.bwThreshold}},
      {kScanning, "扫描类型", IntKey{&s.scanType, 0}},
      {kScanning, "连扫间隔", IntKey{&s.scanInterval, 5}},
      {kScanning, "自动连扫", FlagKey{&s.autoContinuous, 5, false}},
      {kCropFrame, "框选", FlagKey{&s.cropFrameShown, 0, false}},
      {kCropFrame, "左", IntKey{&s.cropFrameStart.x, 0}},
      {kCropFrame, "上", IntKey{&s.cropFrameStart.y, 0}},
      {kCropFrame, "右", IntKey{&s.cropFrameEnd.x, 0}},
      {kCropFrame, "下", IntKey{&s.cropFrameEnd.y, 0}},
      {kIdCard, "SFZLeft", IntKey{&s.idLeft, 3547}},
      {kIdCard, "SFZRight", IntKey{&s.idRight, 6453}},
      {kIdCard, "SFZUp", IntKey{&s.idUp, 3770}},
      {kIdCard, "SFZDown", IntKey{&s.idDown, 6229}},
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

// What a profile integer reads as: a key without a value counts as missing.
std::int32_t IntOrMissing(const std::optional<std::string>& text, std::int32_t missing) {
  return (text && !text->empty()) ? DecodeInt(*text) : missing;
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
  std::visit(
      Overloaded{
          [&](const IntKey& key) { *key.field = IntOrMissing(text, key.missing); },
          [&](const Uint16Key& key) { *key.field = static_cast<std::uint16_t>(IntOrMissing(text, key.missing)); },
          [&](const Uint32Key& key) { *key.field = static_cast<std::uint32_t>(IntOrMissing(text, key.missing)); },
          [&](const FlagKey& key) {
            const std::int32_t value = IntOrMissing(text, key.missing);
            *key.field = key.onlyOneSets ? value == 1 : value != 0;
          },
          [&](const RealKey& key) { *key.field = text ? DecodeReal(*text) : 0.0; },
          [&](const TextKey& key) {
            *key.field = text ? platform::GbkToUtf8(LimitGbkText(*text, kMaxTextBytes)) : std::string();
          },
          [&](const Hex8Key& key) {
            if (text) DecodeHex8(*text, *key.field);
          },
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
