#include "caps/catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "caps/pixel_type.h"

namespace caps {

using namespace twain;

namespace {

// Allowed and default items. Records point at them, so each is a named
// constant that lives as long as the library.
constexpr std::array<TwainBool, 2> kTrueFalse = {true, false};
constexpr std::array<TwainBool, 2> kFalseTrue = {false, true};
constexpr std::array<std::uint16_t, 2> kPixelFlavors = {TWPF_CHOCOLATE, TWPF_VANILLA};
constexpr std::array<std::uint16_t, 3> kTransferMechanisms = {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY};
constexpr std::array<std::uint16_t, 2> kPlanarChunky = {TWPC_CHUNKY, TWPC_PLANAR};
constexpr std::array<std::uint16_t, 1> kCompressions = {TWCP_NONE};
constexpr std::array<float, 1> kOneInch = {1.0f};
constexpr std::array<float, 1> kLetterWidth = {8.5f};
constexpr std::array<float, 1> kLetterHeight = {11.0f};
constexpr std::array<std::uint16_t, 2> kUnits = {TWUN_INCHES, TWUN_PIXELS};
// A range whose allowed items are its minimum, maximum and step.
constexpr std::array<float, 3> kSignedThousandRange = {-1000.0f, 1000.0f, 1000.0f};
constexpr std::array<float, 3> kByteRange = {0.0f, 255.0f, 1.0f};
constexpr float kRangeZero = 0.0f;
constexpr float kRangeMiddle = 128.0f;
// The defaults TWAIN prescribes: the highlight at white, the shadow at black,
// and a scaling factor of 1, the picture's own size.
constexpr float kRangeTop = 255.0f;
constexpr std::array<float, 1> kScalings = {1.0f};
constexpr std::array<std::uint16_t, 3> kBitDepthReductions = {TWBR_THRESHOLD, TWBR_HALFTONE, TWBR_DIFFUSION};
constexpr std::array<std::uint16_t, 2> kBitOrders = {TWBO_MSBFIRST, TWBO_LSBFIRST};
constexpr std::array<StoredStr32, 2> kHalftones = {StoredStr32{{"FLOYD/STEINBURG"}}, StoredStr32{{"ORDERED"}}};
constexpr std::array<StoredFrame, 1> kLetterFrames = {StoredFrame{0.0f, 0.0f, 8.5f, 11.0f}};
constexpr std::array<std::uint16_t, 1> kMaxFrames = {1};
constexpr std::array<float, 1> kNativeResolutions = {100.0f};
constexpr float kDefaultResolution = 200.0f;
constexpr std::array<std::int16_t, 26> kTransferCounts = [] {
  std::array<std::int16_t, 26> counts{};
  counts[0] = -1;  // any number
  for (std::size_t count = 1; count < counts.size(); ++count) counts[count] = static_cast<std::int16_t>(count);
  return counts;
}();

template <typename Item>
constexpr TW_UINT16 ItemTypeOf() {
  if constexpr (std::is_same_v<Item, TwainBool>)
    return TWTY_BOOL;
  else if constexpr (std::is_same_v<Item, std::uint16_t>)
    return TWTY_UINT16;
  else if constexpr (std::is_same_v<Item, std::int16_t>)
    return TWTY_INT16;
  else if constexpr (std::is_same_v<Item, std::uint32_t>)
    return TWTY_UINT32;
  else if constexpr (std::is_same_v<Item, float>)
    return TWTY_FIX32;
  else if constexpr (std::is_same_v<Item, StoredFrame>)
    return TWTY_FRAME;
  else {
    static_assert(std::is_same_v<Item, StoredStr32>);
    return TWTY_STR32;
  }
}

template <typename Item>
const std::byte* Bytes(const Item* item) {
  return reinterpret_cast<const std::byte*>(item);
}

// A record with one default and one current item, answered as a one value
// for MSG_GETCURRENT, MSG_GETDEFAULT and MSG_RESET. The item type follows
// from the C++ type of the items, so a record cannot point at items of another size.
template <typename Item, std::size_t kCount>
CapabilityRecord Record(TW_UINT16 capId, TW_UINT16 getContainer, TW_UINT32 operations,
                        const std::array<Item, kCount>& allowed, const Item& defaultValue, Item& current) {
  return {capId,
          ItemTypeOf<Item>(),
          getContainer,
          TWON_ONEVALUE,
          operations,
          kCount,
          Bytes(allowed.data()),
          1,
          Bytes(&defaultValue),
          1,
          reinterpret_cast<std::byte*>(&current)};
}

// CAP_SUPPORTEDCAPS and CAP_SUPPORTEDDATS answer their whole list for every MSG.
template <typename Item, std::size_t kCount>
CapabilityRecord ListRecord(TW_UINT16 capId, const std::array<Item, kCount>& list, std::array<Item, kCount>& current) {
  return {capId,
          ItemTypeOf<Item>(),
          TWON_ARRAY,
          TWON_ARRAY,
          kReadOnly,
          kCount,
          Bytes(list.data()),
          kCount,
          Bytes(list.data()),
          kCount,
          reinterpret_cast<std::byte*>(current.data())};
}

CapabilityRecord BitDepthRecord(StoredValues& values, int pixelType) {
  const auto& depths = kSupportedBitDepths[pixelType];
  return Record(static_cast<TW_UINT16>(kBitDepthCapBase + pixelType), TWON_ENUMERATION, kSettable, depths, depths[0],
                values.bitDepths[pixelType]);
}

}  // namespace

std::array<CapabilityRecord, kCatalogueSize> CatalogueRecords(StoredValues& v) {
  return {
      ListRecord(CAP_SUPPORTEDCAPS, kSupportedCaps, v.supportedCaps),
      Record(CAP_FEEDERENABLED, TWON_ONEVALUE, kSettable, kTrueFalse, kTrueFalse[0], v.feederEnabled),
      Record(ICAP_PIXELFLAVOR, TWON_ENUMERATION, kSettable, kPixelFlavors, kPixelFlavors[0], v.pixelFlavor),
      Record(ICAP_XFERMECH, TWON_ENUMERATION, kSettable, kTransferMechanisms, kTransferMechanisms[0],
             v.transferMechanism),
      Record(ICAP_PLANARCHUNKY, TWON_ENUMERATION, kReadOnly, kPlanarChunky, kPlanarChunky[0], v.planarChunky),
      Record(ICAP_COMPRESSION, TWON_ENUMERATION, kSettable, kCompressions, kCompressions[0], v.compression),
      Record(ICAP_MINIMUMWIDTH, TWON_ONEVALUE, kReadOnly, kOneInch, kOneInch[0], v.minimumWidth),
      Record(ICAP_MINIMUMHEIGHT, TWON_ONEVALUE, kReadOnly, kOneInch, kOneInch[0], v.minimumHeight),
      Record(ICAP_PHYSICALWIDTH, TWON_ONEVALUE, kReadOnly, kLetterWidth, kLetterWidth[0], v.physicalWidth),
      Record(ICAP_PHYSICALHEIGHT, TWON_ONEVALUE, kReadOnly, kLetterHeight, kLetterHeight[0], v.physicalHeight),
      Record(ICAP_UNITS, TWON_ENUMERATION, kSettable, kUnits, kUnits[0], v.units),
      Record(CAP_DEVICEONLINE, TWON_ONEVALUE, kReadOnly, kTrueFalse, kTrueFalse[0], v.deviceOnline),
      Record(CAP_AUTOFEED, TWON_ONEVALUE, kReadOnly, kTrueFalse, kTrueFalse[0], v.autoFeed),
      Record(CAP_FEEDERLOADED, TWON_ONEVALUE, kReadOnly, kFalseTrue, kFalseTrue[1], v.feederLoaded),
      Record(CAP_AUTOSCAN, TWON_ONEVALUE, kSettable, kTrueFalse, kTrueFalse[0], v.autoScan),
      Record(ICAP_AUTOBRIGHT, TWON_ONEVALUE, kSettable, kTrueFalse, kTrueFalse[1], v.autoBright),
      Record(ICAP_BRIGHTNESS, TWON_RANGE, kSettable, kSignedThousandRange, kRangeZero, v.brightness),
      Record(ICAP_CONTRAST, TWON_RANGE, kSettable, kSignedThousandRange, kRangeZero, v.contrast),
      Record(ICAP_HIGHLIGHT, TWON_RANGE, kSettable, kByteRange, kRangeTop, v.highlight),
      Record(ICAP_ORIENTATION, TWON_ENUMERATION, kSettable, kRotations, kRotations[0], v.rotationIndex),
      Record(ICAP_SHADOW, TWON_RANGE, kSettable, kByteRange, kRangeZero, v.shadow),
      Record(ICAP_XSCALING, TWON_ENUMERATION, kSettable, kScalings, kScalings[0], v.scaling),
      Record(ICAP_YSCALING, TWON_ENUMERATION, kSettable, kScalings, kScalings[0], v.scaling),
      BitDepthRecord(v, TWPT_BW),
      BitDepthRecord(v, TWPT_GRAY),
      BitDepthRecord(v, TWPT_RGB),
      Record(ICAP_PIXELTYPE, TWON_ENUMERATION, kSettable, kPixelTypes, kPixelTypes[TWPT_RGB], v.pixelType),
      Record(ICAP_BITDEPTHREDUCTION, TWON_ENUMERATION, kSettable, kBitDepthReductions, kBitDepthReductions[0],
             v.bitDepthReduction),
      Record(ICAP_BITORDER, TWON_ENUMERATION, kReadOnly, kBitOrders, kBitOrders[0], v.bitOrder),
      Record(ICAP_THRESHOLD, TWON_RANGE, kSettable, kByteRange, kRangeMiddle, v.threshold),
      Record(ICAP_HALFTONES, TWON_ENUMERATION, kSettable, kHalftones, kHalftones[0], v.halftone),
      Record(ICAP_FRAMES, TWON_ONEVALUE, kSettable, kLetterFrames, kLetterFrames[0], v.frame),
      Record(ICAP_MAXFRAMES, TWON_ONEVALUE, kReadOnly, kMaxFrames, kMaxFrames[0], v.maxFrames),
      Record(ICAP_SUPPORTEDSIZES, TWON_ENUMERATION, kSettable, kPaperSizes, kPaperSizes[0], v.paperSize),
      Record(ICAP_XNATIVERESOLUTION, TWON_ONEVALUE, kReadOnly, kNativeResolutions, kNativeResolutions[0],
             v.xNativeResolution),
      Record(ICAP_YNATIVERESOLUTION, TWON_ONEVALUE, kReadOnly, kNativeResolutions, kNativeResolutions[0],
             v.yNativeResolution),
      Record(ICAP_XRESOLUTION, TWON_ENUMERATION, kSettable, kResolutions, kDefaultResolution, v.xResolution),
      Record(ICAP_YRESOLUTION, TWON_ENUMERATION, kSettable, kResolutions, kDefaultResolution, v.xResolution),
      Record(CAP_XFERCOUNT, TWON_ONEVALUE, kSettable, kTransferCounts, kTransferCounts[0], v.transferCount),
      Record(ICAP_IMAGEFILEFORMAT, TWON_ENUMERATION, kSettable, kImageFileFormats, kDefaultImageFileFormat,
             v.imageFileFormat),
      Record(ICAP_UNDEFINEDIMAGESIZE, TWON_ONEVALUE, kSettable, kFalseTrue, kFalseTrue[0], v.undefinedImageSize),
      Record(CAP_INDICATORS, TWON_ONEVALUE, kSettable, kTrueFalse, kTrueFalse[0], v.indicators),
      Record(CAP_UICONTROLLABLE, TWON_ONEVALUE, kReadOnly, kTrueFalse, kTrueFalse[0], v.uiControllable),
      ListRecord(CAP_SUPPORTEDDATS, kSupportedDats, v.supportedDats),
  };
}

int SetResolutionAsSource(StoredValues& values, float resolution) {
  values.xResolution = resolution;
  constexpr double kLowest = std::numeric_limits<int>::min();
  constexpr double kHighest = std::numeric_limits<int>::max();
  const double whole = std::trunc(static_cast<double>(resolution));
  return std::isnan(whole) ? 0 : static_cast<int>(std::clamp(whole, kLowest, kHighest));
}

}  // namespace caps
