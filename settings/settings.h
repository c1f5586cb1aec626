// The user's settings in memory: what config.ini holds, apart from the pixel
// type, the rotation and the resolution, which are capability values
// (caps::StoredValues). The dialogs edit these fields directly, the capture
// and the picture processing read them; they reach the file only through
// SettingsFile::SaveSettings. Every initial value is the first-start value,
// what the record holds before any file exists.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace settings {

// A media subtype identifier in the layout of a GUID.
struct MediaSubtype {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend bool operator==(const MediaSubtype&, const MediaSubtype&) = default;
};

// The published MJPG and YUY2 video subtypes.
inline constexpr MediaSubtype kMjpgSubtype{
    0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr MediaSubtype kYuy2Subtype{
    0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// Which kind of format block a camera's media type carries.
enum class FormatType { VideoInfo, Other };

// A camera video format: what a camera reports for its current format and
// each of its stream capabilities, and what the settings remember of the
// chosen one (the first four fields; a width of 0 means none has been chosen
// yet). The bit rate is the format block's unsigned bit-rate value.
struct VideoFormat {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t bitRate = 0;
  MediaSubtype subtype;
  std::int64_t frameInterval = 0;  // in units of 100 ns; not remembered
  FormatType formatType = FormatType::VideoInfo;

  friend bool operator==(const VideoFormat&, const VideoFormat&) = default;
};

// A point in client pixels of the main dialog.
struct ClientPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;

  friend bool operator==(const ClientPoint&, const ClientPoint&) = default;
};

struct Settings {
  // The document camera's format, and a second format record that is only carried.
  VideoFormat documentFormat{0, 0, 0, kMjpgSubtype};
  VideoFormat faceFormat{1600, 1200, 0, kYuy2Subtype};

  // Dots per inch recorded in saved pictures. Set them as a pair through
  // ApplyDpiPair (settings/resolution.h), which keeps the resolution in step.
  std::int32_t dpiX = 200;
  std::int32_t dpiY = 200;

  bool actualSizeA3 = false;          // the "A3 actual size" box is checked
  std::int32_t actualSizeChoice = 1;  // 1 after "A3 actual size" was clicked, 2 after "A4"; never saved
  std::int32_t pictureQuality = 70;
  std::int32_t autoCorrect = 1;  // position correction (deskew)
  std::int32_t autoCrop = 1;     // black-edge removal
  std::int32_t idCardMode = 0;
  std::int32_t fileFormatIndex = 0;  // 0 BMP, 1 JPG, 2 TIF, 3 PNG, 4 TGA
  std::int32_t faceRotation = 0;     // degrees, a multiple of 90; never saved

  std::int32_t watermarkOn = 0;
  std::int32_t watermarkTime = 0;  // the watermark carries the date and time
  std::string watermarkText;       // UTF-8 in memory, GBK in the file

  std::int32_t fingerErase = 0;
  std::int32_t smartPaging = 0;
  std::int32_t curveFlatten = 0;

  // Coefficients and threshold of the parameter dialog's black-and-white settings.
  double coefRed = 0.300;
  double coefGreen = 0.590;
  double coefBlue = 0.110;
  double bwThreshold = 0.200;

  std::int32_t scanType = 0;      // 0 single shots, 1 continuous, 2 automatic
  std::int32_t scanInterval = 5;  // seconds between timed shots
  bool autoContinuous = false;

  // The frame drawn over the preview; the corners are kept as drawn, not ordered.
  bool cropFrameShown = false;
  ClientPoint cropFrameStart;
  ClientPoint cropFrameEnd;

  // The ID-card area in 1/10000 of the frame's width and height.
  std::int32_t idLeft = 3547;
  std::int32_t idRight = 6453;
  std::int32_t idUp = 3770;
  std::int32_t idDown = 6229;

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace settings
