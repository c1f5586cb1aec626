// The current capability values. They live as long as the library: closing
// the source releases the capability table, never these values, so what an
// application or the dialog chose survives a later open. The capability
// records point straight at these members, so what the rest of the source
// reads here is exactly what an application gets and sets.
#pragma once

#include <array>
#include <cstdint>

#include "twain/protocol.h"

namespace caps {

inline constexpr std::uint16_t kDefaultImageFileFormat = twain::TWFF_BMP;
// ICAP_IMAGEFILEFORMAT: every format a file transfer writes, in the order offered.
inline constexpr std::array<std::uint16_t, 4> kImageFileFormats = {twain::TWFF_TIFF, twain::TWFF_BMP, twain::TWFF_PNG,
                                                                   twain::TWFF_JFIF};

// A TWAIN BOOL in its two-byte stored form, read and written like a bool.
class TwainBool {
 public:
  constexpr TwainBool(bool value = false) : value_(value ? twain::TWAIN_TRUE : twain::TWAIN_FALSE) {}
  constexpr operator bool() const { return value_ != twain::TWAIN_FALSE; }

 private:
  twain::TW_BOOL value_;
};
static_assert(sizeof(TwainBool) == 2);

// A frame in its stored form: inches as floats, in this order.
struct StoredFrame {
  float top;
  float left;
  float right;
  float bottom;
};
static_assert(sizeof(StoredFrame) == sizeof(twain::TW_FRAME));

// A STR32 item: up to 32 characters, zero-filled to the field's 34 bytes.
using StoredStr32 = std::array<char, sizeof(twain::TW_STR32)>;

// "Color and B&W": every shot yields a colour and a black-and-white picture.
inline constexpr std::uint16_t kPixelTypeColourAndBlackWhite = protocol::Wire(protocol::PixelType::ColourAndBlackWhite);
inline constexpr int kPixelTypeCount = protocol::kPixelTypeCount;

// The ids of CAP_SUPPORTEDCAPS, in the order applications receive them.
inline constexpr std::array<twain::TW_UINT16, 41> kSupportedCaps = {
    twain::CAP_SUPPORTEDCAPS,
    twain::CAP_FEEDERENABLED,
    twain::ICAP_XFERMECH,
    twain::ICAP_PIXELFLAVOR,
    twain::ICAP_PLANARCHUNKY,
    twain::ICAP_COMPRESSION,
    twain::ICAP_PHYSICALWIDTH,
    twain::ICAP_PHYSICALHEIGHT,
    twain::ICAP_MINIMUMHEIGHT,
    twain::ICAP_MINIMUMWIDTH,
    twain::ICAP_UNITS,
    twain::CAP_DEVICEONLINE,
    twain::CAP_AUTOFEED,
    twain::CAP_FEEDERLOADED,
    twain::ICAP_AUTOBRIGHT,
    twain::ICAP_BRIGHTNESS,
    twain::ICAP_CONTRAST,
    twain::ICAP_HIGHLIGHT,
    twain::ICAP_ORIENTATION,
    twain::ICAP_SHADOW,
    twain::ICAP_XSCALING,
    twain::ICAP_YSCALING,
    twain::ICAP_PIXELTYPE,
    twain::ICAP_BITDEPTH,
    twain::ICAP_BITDEPTHREDUCTION,
    twain::ICAP_BITORDER,
    twain::ICAP_HALFTONES,
    twain::ICAP_THRESHOLD,
    twain::ICAP_FRAMES,
    twain::ICAP_MAXFRAMES,
    twain::ICAP_SUPPORTEDSIZES,
    twain::ICAP_XNATIVERESOLUTION,
    twain::ICAP_YNATIVERESOLUTION,
    twain::ICAP_XRESOLUTION,
    twain::ICAP_YRESOLUTION,
    twain::CAP_XFERCOUNT,
    twain::ICAP_IMAGEFILEFORMAT,
    twain::ICAP_UNDEFINEDIMAGESIZE,
    twain::CAP_INDICATORS,
    twain::CAP_UICONTROLLABLE,
    twain::CAP_SUPPORTEDDATS,
};

// CAP_SUPPORTEDDATS: every data group and DAT the source answers, as (DG << 16) | DAT.
constexpr twain::TW_UINT32 SupportedDat(twain::TW_UINT32 dg, twain::TW_UINT16 dat) { return dg << 16 | dat; }
inline constexpr std::array<twain::TW_UINT32, 20> kSupportedDats = {
    SupportedDat(twain::DG_CONTROL, twain::DAT_CAPABILITY),   SupportedDat(twain::DG_CONTROL, twain::DAT_EVENT),
    SupportedDat(twain::DG_CONTROL, twain::DAT_IDENTITY),     SupportedDat(twain::DG_CONTROL, twain::DAT_PENDINGXFERS),
    SupportedDat(twain::DG_CONTROL, twain::DAT_SETUPMEMXFER), SupportedDat(twain::DG_CONTROL, twain::DAT_SETUPFILEXFER),
    SupportedDat(twain::DG_CONTROL, twain::DAT_STATUS),       SupportedDat(twain::DG_CONTROL, twain::DAT_USERINTERFACE),
    SupportedDat(twain::DG_CONTROL, twain::DAT_XFERGROUP),    SupportedDat(twain::DG_CONTROL, twain::DAT_ENTRYPOINT),
    SupportedDat(twain::DG_IMAGE, twain::DAT_IMAGEINFO),      SupportedDat(twain::DG_IMAGE, twain::DAT_IMAGELAYOUT),
    SupportedDat(twain::DG_IMAGE, twain::DAT_IMAGEMEMXFER),   SupportedDat(twain::DG_IMAGE, twain::DAT_IMAGENATIVEXFER),
    SupportedDat(twain::DG_IMAGE, twain::DAT_IMAGEFILEXFER),  SupportedDat(twain::DG_IMAGE, twain::DAT_PALETTE8),
    SupportedDat(twain::DG_IMAGE, twain::DAT_GRAYRESPONSE),   SupportedDat(twain::DG_IMAGE, twain::DAT_RGBRESPONSE),
    SupportedDat(twain::DG_IMAGE, twain::DAT_CIECOLOR),       SupportedDat(twain::DG_IMAGE, twain::DAT_JPEGCOMPRESSION),
};

struct StoredValues {
  // Read and written directly by the rest of the source.
  TwainBool feederEnabled = true;                           // CAP_FEEDERENABLED
  std::uint16_t imageFileFormat = kDefaultImageFileFormat;  // ICAP_IMAGEFILEFORMAT
  std::uint16_t pixelType = twain::TWPT_RGB;                // ICAP_PIXELTYPE, 0..3
  std::uint16_t rotationIndex = twain::TWOR_ROT0;           // ICAP_ORIENTATION, 0..3
  float xResolution = 200.0f;                               // ICAP_XRESOLUTION and ICAP_YRESOLUTION
  std::uint16_t paperSize = twain::TWSS_USLETTER;           // ICAP_SUPPORTEDSIZES
  std::int16_t transferCount = -1;                          // CAP_XFERCOUNT, -1: any number
  // The current bit depth of each pixel type 0..3; type 3 is marked by 25.
  std::array<std::uint16_t, kPixelTypeCount> bitDepths = {1, 8, 24, 25};

  // Only stored and answered: nothing in the source acts on them.
  std::array<twain::TW_UINT16, kSupportedCaps.size()> supportedCaps = kSupportedCaps;
  std::array<twain::TW_UINT32, kSupportedDats.size()> supportedDats = kSupportedDats;
  std::uint16_t pixelFlavor = twain::TWPF_CHOCOLATE;
  std::uint16_t transferMechanism = twain::TWSX_NATIVE;
  std::uint16_t planarChunky = twain::TWPC_CHUNKY;
  std::uint16_t compression = twain::TWCP_NONE;
  float minimumWidth = 1.0f;
  float minimumHeight = 1.0f;
  float physicalWidth = 8.5f;
  float physicalHeight = 11.0f;
  std::uint16_t units = twain::TWUN_INCHES;
  TwainBool deviceOnline = true;
  TwainBool autoFeed = true;
  TwainBool feederLoaded = true;
  TwainBool autoScan = true;
  TwainBool autoBright = false;
  float brightness = 0.0f;
  float contrast = 0.0f;
  float highlight = 255.0f;
  float shadow = 0.0f;
  float scaling = 1.0f;  // ICAP_XSCALING and ICAP_YSCALING
  std::uint16_t bitDepthReduction = twain::TWBR_THRESHOLD;
  std::uint16_t bitOrder = twain::TWBO_MSBFIRST;
  float threshold = 128.0f;
  StoredStr32 halftone = {{"FLOYD/STEINBURG"}};
  StoredFrame frame = {0.0f, 0.0f, 8.5f, 11.0f};
  std::uint16_t maxFrames = 1;
  float xNativeResolution = 100.0f;
  float yNativeResolution = 100.0f;
  TwainBool undefinedImageSize = false;
  TwainBool indicators = true;
  TwainBool uiControllable = true;
};

}  // namespace caps
