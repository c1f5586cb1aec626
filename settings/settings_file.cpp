#include "settings/settings_file.h"

#include <array>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/files.h"
#include "platform/text_encoding.h"
#include "settings/file_bytes.h"
#include "settings/private_profile.h"
#include "settings/resolution.h"
#include "settings/value_encodings.h"

namespace settings {
namespace {

// The longest watermark text the file gives back, in bytes of GBK.
constexpr std::size_t kMaxTextBytes = 99;

struct Values {
  Settings& settings;
  caps::StoredValues& caps;
};

template <typename T>
using Field = T& (*)(Values&);

// The kinds of key. `missing` is what a key absent from the file (or left
// without a value) reads as.
struct IntKey {
  Field<std::int32_t> field;
  std::int32_t missing;
};
struct Uint16Key {  // written as its unsigned value, read truncated to 16 bits
  Field<std::uint16_t> field;
  std::int32_t missing;
};
struct Uint32Key {  // written as a signed 32-bit value
  Field<std::uint32_t> field;
  std::int32_t missing;
};
struct FlagKey {
  Field<bool> field;
  std::int32_t missing;
  bool onlyOneSets;  // set by exactly 1, else by anything but 0
};
struct RealKey {  // an absent key reads as 0.0
  Field<double> field;
};
struct TextKey {  // UTF-8 in memory, GBK in the file
  Field<std::string> field;
};
struct Hex8Key {  // an absent key changes nothing
  Field<std::array<std::uint8_t, 8>> field;
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

// Every key in the order in which it is written and read. Writing appends a
// missing section at the end of the file, so this order also fixes the
// order of the sections in a new file.
const Key kKeys[] = {{kPicture, "图片类型", Uint16Key{[](Values & v) -> auto& {return v.caps.pixelType;
}  // namespace
, 3
}  // namespace settings
}
, {kPicture, "旋转角度", Uint16Key{[](Values & v) -> auto& {return v.caps.rotationIndex;
}
, 3
}
}
, {kFormat, "Width", IntKey{[](Values & v) -> auto& {return v.settings.documentFormat.width;
}
, 0
}
}
, {kFormat, "Height", IntKey{[](Values & v) -> auto& {return v.settings.documentFormat.height;
}
, 0
}
}
, {kFormat, "Rate", IntKey{[](Values & v) -> auto& {return v.settings.documentFormat.bitRate;
}
, 3
}
}
, {kFormat, "Data1", Uint32Key{[](Values & v) -> auto& {return v.settings.documentFormat.subtype.data1;
}
, 3
}
}
, {kFormat, "Data2", Uint16Key{[](Values & v) -> auto& {return v.settings.documentFormat.subtype.data2;
}
, 3
}
}
, {kFormat, "Data3", Uint16Key{[](Values & v) -> auto& {return v.settings.documentFormat.subtype.data3;
}
, 3
}
}
, {kFormat, "Data4", Hex8Key{[](Values & v) -> auto& {return v.settings.documentFormat.subtype.data4;
}
}
}
, {kFormat, "Width_Face1", IntKey{[](Values & v) -> auto& {return v.settings.faceFormat.width;
}
, 0
}
}
, {kFormat, "Height_Face1", IntKey{[](Values & v) -> auto& {return v.settings.faceFormat.height;
}
, 0
}
}
, {kFormat, "Rate_Face1", IntKey{[](Values & v) -> auto& {return v.settings.faceFormat.bitRate;
}
, 3
}
}
, {kFormat, "Data12", Uint32Key{[](Values & v) -> auto& {return v.settings.faceFormat.subtype.data1;
}
, 3
}
}
, {kFormat, "Data22", Uint16Key{[](Values & v) -> auto& {return v.settings.faceFormat.subtype.data2;
}
, 3
}
}
, {kFormat, "Data32", Uint16Key{[](Values & v) -> auto& {return v.settings.faceFormat.subtype.data3;
}
, 3
}
}
, {kFormat, "Data42", Hex8Key{[](Values & v) -> auto& {return v.settings.faceFormat.subtype.data4;
}
}
}
, {kPicture, "水平DPI", IntKey{[](Values & v) -> auto& {return v.settings.dpiX;
}
, 3
}
}
, {kPicture, "垂直DPI", IntKey{[](Values & v) -> auto& {return v.settings.dpiY;
}
, 3
}
}
, {kPicture, "实际英寸", FlagKey{[](Values & v) -> auto& {return v.settings.actualSizeA3;
}
, 3, true
}
}
, {kPicture, "图片压缩率", IntKey{[](Values & v) -> auto& {return v.settings.pictureQuality;
}
, 3
}
}
, {kPicture, "自动矫正", IntKey{[](Values & v) -> auto& {return v.settings.autoCorrect;
}
, 3
}
}
, {kPicture, "自动切边", IntKey{[](Values & v) -> auto& {return v.settings.autoCrop;
}
, 3
}
}
, {kPicture, "身份证", IntKey{[](Values & v) -> auto& {return v.settings.idCardMode;
}
, 3
}
}
, {kPicture, "类型", IntKey{[](Values & v) -> auto& {return v.settings.fileFormatIndex;
}
, 0
}
}
, {kWatermark, "水印开启", IntKey{[](Values & v) -> auto& {return v.settings.watermarkOn;
}
, 3
}
}
, {kWatermark, "水印加时间", IntKey{[](Values & v) -> auto& {return v.settings.watermarkTime;
}
, 3
}
}
, {kWatermark, "水印内容", TextKey{[](Values & v) -> auto& {return v.settings.watermarkText;
}
}
}
, {kPaging, "去手指", IntKey{[](Values & v) -> auto& {return v.settings.fingerErase;
}
, 0
}
}
, {kPaging, "分页", IntKey{[](Values & v) -> auto& {return v.settings.smartPaging;
}
, 0
}
}
, {kPaging, "展平", IntKey{[](Values & v) -> auto& {return v.settings.curveFlatten;
}
, 0
}
}
, {kBlackWhite, "红色系统", RealKey{[](Values & v) -> auto& {return v.settings.coefRed;
}
}
}
, {kBlackWhite, "绿色系统", RealKey{[](Values & v) -> auto& {return v.settings.coefGreen;
}
}
}
, {kBlackWhite, "蓝色系统", RealKey{[](Values & v) -> auto& {return v.settings.coefBlue;
}
}
}
, {kBlackWhite, "黑白处理阀值", RealKey{[](Values & v) -> auto& {return v.settings.bwThreshold;
}
}
}
, {kScanning, "扫描类型", IntKey{[](Values & v) -> auto& {return v.settings.scanType;
}
, 0
}
}
, {kScanning, "连扫间隔", IntKey{[](Values & v) -> auto& {return v.settings.scanInterval;
}
, 5
}
}
, {kScanning, "自动连扫", FlagKey{[](Values & v) -> auto& {return v.settings.autoContinuous;
}
, 5, false
}
}
, {kCropFrame, "框选", FlagKey{[](Values & v) -> auto& {return v.settings.cropFrameShown;
}
, 0, false
}
}
, {kCropFrame, "左", IntKey{[](Values & v) -> auto& {return v.settings.cropFrameStart.x;
}
, 0
}
}
, {kCropFrame, "上", IntKey{[](Values & v) -> auto& {return v.settings.cropFrameStart.y;
}
, 0
}
}
, {kCropFrame, "右", IntKey{[](Values & v) -> auto& {return v.settings.cropFrameEnd.x;
}
, 0
}
}
, {kCropFrame, "下", IntKey{[](Values & v) -> auto& {return v.settings.cropFrameEnd.y;
}
, 0
}
}
, {kIdCard, "SFZLeft", IntKey{[](Values & v) -> auto& {return v.settings.idLeft;
}
, 3547
}
}
, {kIdCard, "SFZRight", IntKey{[](Values & v) -> auto& {return v.settings.idRight;
}
, 6453
}
}
, {kIdCard, "SFZUp", IntKey{[](Values & v) -> auto& {return v.settings.idUp;
}
, 3770
}
}
, {kIdCard, "SFZDown", IntKey{[](Values & v) -> auto& {return v.settings.idDown;
}
, 6229
}
}
,
}
;

constexpr std::size_t kKeyCount = std::size(kKeys);

// The section and key names as the file spells them, converted once.
struct GbkNames {
  std::string section;
  std::string name;
};

const std::array<GbkNames, kKeyCount>& NamesOnDisk() {
  static const std::array<GbkNames, kKeyCount> names = [] {
    std::array<GbkNames, kKeyCount> converted;
    for (std::size_t i = 0; i < kKeyCount; ++i) {
      converted[i] = {platform::Utf8ToGbk(kKeys[i].section), platform::Utf8ToGbk(kKeys[i].name)};
    }
    return converted;
  }();
  return names;
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

// What a profile integer reads as: a key without a value counts as missing.
std::int32_t IntOrMissing(const std::optional<std::string>& text, std::int32_t missing) {
  return (text && !text->empty()) ? DecodeInt(*text) : missing;
}

std::string Encode(const Binding& binding, Values& values) {
  return std::visit(Overloaded{
                        [&](const IntKey& key) { return EncodeInt(key.field(values)); },
                        [&](const Uint16Key& key) { return EncodeInt(key.field(values)); },
                        [&](const Uint32Key& key) { return EncodeInt(static_cast<std::int32_t>(key.field(values))); },
                        [&](const FlagKey& key) { return EncodeInt(key.field(values) ? 1 : 0); },
                        [&](const RealKey& key) { return EncodeReal(key.field(values)); },
                        [&](const TextKey& key) { return platform::Utf8ToGbk(key.field(values)); },
                        [&](const Hex8Key& key) { return EncodeHex8(key.field(values)); },
                    },
                    binding);
}

void Decode(const Binding& binding, const std::optional<std::string>& text, Values& values) {
  std::visit(Overloaded{
                 [&](const IntKey& key) { key.field(values) = IntOrMissing(text, key.missing); },
                 [&](const Uint16Key& key) {
                   key.field(values) = static_cast<std::uint16_t>(IntOrMissing(text, key.missing));
                 },
                 [&](const Uint32Key& key) {
                   key.field(values) = static_cast<std::uint32_t>(IntOrMissing(text, key.missing));
                 },
                 [&](const FlagKey& key) {
                   const std::int32_t value = IntOrMissing(text, key.missing);
                   key.field(values) = key.onlyOneSets ? value == 1 : value != 0;
                 },
                 [&](const RealKey& key) { key.field(values) = text ? DecodeReal(*text) : 0.0; },
                 [&](const TextKey& key) {
                   key.field(values) = text ? platform::GbkToUtf8(LimitGbkText(*text, kMaxTextBytes)) : std::string();
                 },
                 [&](const Hex8Key& key) {
                   if (text) DecodeHex8(*text, key.field(values));
                 },
             },
             binding);
}

}  // namespace

std::string SettingsFilePath() {
  const std::string folder = platform::AppDataDirectory();
  return folder.empty() ? std::string() : folder + "config.ini";
}

SettingsFile::SettingsFile(std::string path, Settings& settings, caps::StoredValues& capValues)
    : path_(std::move(path)), settings_(settings), capValues_(capValues) {}

bool SettingsFile::LoadSettings() {
  if (path_.empty()) return false;
  platform::MarkFileNormal(path_);
  FileBytes file = ReadFileBytes(path_);
  if (file.outcome == FileBytes::Outcome::Missing) {
    SaveSettings();
    return false;
  }
  // A file that exists but cannot be read is left alone rather than replaced.
  if (file.outcome == FileBytes::Outcome::Unreadable) return false;

  const PrivateProfile profile(std::move(file.bytes));
  Values values{settings_, capValues_};
  const auto& names = NamesOnDisk();
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    Decode(kKeys[i].binding, profile.Get(names[i].section, names[i].name), values);
  }
  ApplyDpiPair(settings_, capValues_, settings_.dpiX, settings_.dpiY);
  return true;
}

void SettingsFile::SaveSettings() {
  if (path_.empty()) return;
  platform::MarkFileNormal(path_);
  FileBytes file = ReadFileBytes(path_);
  if (file.outcome == FileBytes::Outcome::Unreadable) return;

  PrivateProfile profile(file.bytes);
  Values values{settings_, capValues_};
  const auto& names = NamesOnDisk();
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    profile.Set(names[i].section, names[i].name, Encode(kKeys[i].binding, values));
  }
  const bool unchanged = file.outcome == FileBytes::Outcome::Read && profile.Bytes() == file.bytes;
  if (!unchanged) ReplaceFileBytes(path_, profile.Bytes());
  platform::MarkFileHidden(path_);
}

}  // namespace settings
