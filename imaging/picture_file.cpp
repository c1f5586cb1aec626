#include "imaging/picture_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imaging/bmp_file.h"
#include "platform/file_stream.h"
#include "platform/picture_codecs.h"

namespace imaging {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view signature) {
  return bytes.size() >= signature.size() && std::memcmp(bytes.data(), signature.data(), signature.size()) == 0;
}

// Builds the picture a platform decoder describes, in place.
class PictureTarget final : public platform::DecodeTarget {
 public:
  platform::DecodeRows Allocate(int width, int height, int bitsPerPixel) override {
    picture = Picture(width, height, bitsPerPixel);
    if (picture.Empty()) return {};
    return {picture.Row(0), picture.Stride()};
  }
  void SetPalette(std::span<const platform::PaletteColour> palette) override {
    std::vector<Rgb> colours;
    for (const platform::PaletteColour& c : palette) colours.push_back(Rgb{c.red, c.green, c.blue});
    picture.SetPalette(std::move(colours));
  }
  void SetDpi(int x, int y) override {
    picture.SetDpiX(x);
    picture.SetDpiY(y);
  }

  Picture picture;
};

platform::CodecFormat CodecFor(PictureFormat format) {
  switch (format) {
    case PictureFormat::Png:
      return platform::CodecFormat::Png;
    case PictureFormat::Tiff:
      return platform::CodecFormat::Tiff;
    case PictureFormat::Gif:
      return platform::CodecFormat::Gif;
    default:
      return platform::CodecFormat::Jpeg;
  }
}

// The format the file's content shows, else the one its extension names;
// Recognise for a path that is not a plain file (a link, FIFO or device is
// never handed to a decoder, which might follow it or wait on it).
PictureFormat FormatOfFile(const std::string& path) {
  const platform::FileHandle file = platform::OpenRegularFile(path);
  if (!file) return PictureFormat::Recognise;
  std::array<std::uint8_t, 8> signature{};
  const std::size_t read = std::fread(signature.data(), 1, signature.size(), file.get());
  const PictureFormat byContent = FormatFromContent(std::span(signature.data(), read));
  return byContent != PictureFormat::Recognise ? byContent : FormatFromExtension(path);
}

}  // namespace

PictureFormat FormatFromContent(std::span<const std::uint8_t> bytes) {
  if (StartsWith(bytes, "BM")) return PictureFormat::Bmp;
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return PictureFormat::Png;
  if (StartsWith(bytes, "\xFF\xD8\xFF")) return PictureFormat::Jpeg;
  if (StartsWith(bytes, std::string_view("II*\0", 4)) || StartsWith(bytes, std::string_view("MM\0*", 4))) {
    return PictureFormat::Tiff;
  }
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return PictureFormat::Gif;
  return PictureFormat::Recognise;
}

PictureFormat FormatFromExtension(std::string_view path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || path.find_first_of("/\\", dot) != std::string_view::npos) {
    return PictureFormat::Recognise;
  }
  std::string extension(path.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "bmp" || extension == "dib") return PictureFormat::Bmp;
  if (extension == "png") return PictureFormat::Png;
  if (extension == "jpg" || extension == "jpeg" || extension == "jpe") return PictureFormat::Jpeg;
  if (extension == "tif" || extension == "tiff") return PictureFormat::Tiff;
  if (extension == "gif") return PictureFormat::Gif;
  return PictureFormat::Recognise;
}

Picture LoadPicture(const std::string& path, PictureFormat format) {
  if (format == PictureFormat::Recognise) format = FormatOfFile(path);
  if (format == PictureFormat::Recognise) return {};
  if (format == PictureFormat::Bmp) return LoadBmp(path);
  PictureTarget target;
  if (!platform::DecodePictureFile(path, CodecFor(format), target)) return {};
  target.picture.ClearPadding();
  return std::move(target.picture);
}

bool SavePicture(const Picture& picture, const std::string& path, PictureFormat format) {
  if (format == PictureFormat::Recognise) format = FormatFromExtension(path);
  if (format == PictureFormat::Recognise || format == PictureFormat::Bmp) return SaveBmp(picture, path);
  if (picture.Empty()) return false;
  std::vector<platform::PaletteColour> palette;
  for (const Rgb& c : picture.Palette()) palette.push_back({c.red, c.green, c.blue});
  const platform::PictureView view{picture.Width(), picture.Height(), picture.BitsPerPixel(), picture.Stride(),
                                   picture.Row(0),  palette,          picture.DpiX(),         picture.DpiY()};
  return platform::EncodePictureFile(path, CodecFor(format), view);
}

}  // namespace imaging
