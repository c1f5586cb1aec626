// TIFF through libtiff: the first page. Two-level, grey and palette pages of
// strips are read row by row into our depths; everything else goes through
// libtiff's RGBA reader.
#include <tiffio.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/posix/picture_codecs_posix.h"

namespace platform {

namespace {

// Beyond this many pixels the RGBA reader's whole-picture buffer is not spent.
constexpr std::uint64_t kMostRgbaPixels = std::uint64_t{1} << 26;

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Tiff = std::unique_ptr<TIFF, TiffCloser>;

// libtiff prints its errors and warnings unless told otherwise; the callers
// learn of failures from the return values.
Tiff OpenQuietly(const std::string& path, const char* mode) {
  static const bool silenced = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return true;
  }();
  (void)silenced;
  return Tiff(TIFFOpen(path.c_str(), mode));
}

void ReadDpi(TIFF* tiff, DecodeTarget& target) {
  float x = 0, y = 0;
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (unit == RESUNIT_NONE || !TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x)) return;
  if (!TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y)) y = x;
  const float perInch = unit == RESUNIT_CENTIMETER ? 2.54f : 1.0f;
  target.SetDpi(static_cast<int>(x * perInch + 0.5f), static_cast<int>(y * perInch + 0.5f));
}

// The palette of a one-channel page read row by row, or false when the page
// needs the RGBA reader.
bool RowPalette(TIFF* tiff, std::uint16_t bits, std::vector<PaletteColour>& palette) {
  std::uint16_t photometric = 0;
  if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
  const int levels = 1 << bits;
  if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) {
    for (int i = 0; i < levels; ++i) {
      const auto v = static_cast<std::uint8_t>(i * 255 / (levels - 1));
      palette.push_back({v, v, v});
    }
    if (photometric == PHOTOMETRIC_MINISWHITE) std::reverse(palette.begin(), palette.end());
    return true;
  }
  std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (photometric != PHOTOMETRIC_PALETTE || !TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return false;
  for (int i = 0; i < levels; ++i) {
    palette.push_back({static_cast<std::uint8_t>(red[i] >> 8), static_cast<std::uint8_t>(green[i] >> 8),
                       static_cast<std::uint8_t>(blue[i] >> 8)});
  }
  return true;
}

bool ReadRows(TIFF* tiff, int width, int height, std::uint16_t bits, const std::vector<PaletteColour>& palette,
              DecodeTarget& target) {
  const DecodeRows rows = target.Allocate(width, height, bits);
  if (!rows.bottom || static_cast<std::uint64_t>(TIFFScanlineSize64(tiff)) > rows.stride) return false;
  target.SetPalette(palette);
  for (int y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, rows.bottom + static_cast<std::size_t>(height - 1 - y) * rows.stride,
                         static_cast<std::uint32_t>(y), 0) < 0) {
      return false;
    }
  }
  return true;
}

// Any other page as blue, green, red laid over white.
bool ReadRgba(TIFF* tiff, int width, int height, DecodeTarget& target) {
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMostRgbaPixels) return false;
  const DecodeRows rows = target.Allocate(width, height, 24);
  if (!rows.bottom) return false;
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (!TIFFReadRGBAImageOriented(tiff, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                                 raster.data(), ORIENTATION_BOTLEFT, 0)) {
    return false;
  }
  const std::uint32_t* pixel = raster.data();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = rows.bottom + static_cast<std::size_t>(y) * rows.stride;
    for (int x = 0; x < width; ++x, ++pixel, out += 3) {
      const std::uint32_t alpha = TIFFGetA(*pixel);
      const auto over = [alpha](std::uint32_t c) {
        return static_cast<std::uint8_t>((c * alpha + 255 * (255 - alpha) + 127) / 255);
      };
      out[0] = over(TIFFGetB(*pixel));
      out[1] = over(TIFFGetG(*pixel));
      out[2] = over(TIFFGetR(*pixel));
    }
  }
  return true;
}

void WritePaletteTags(TIFF* tiff, const PictureView& picture) {
  std::uint16_t photometric = PHOTOMETRIC_PALETTE;
  if (IsGreyPalette(picture) || IsBlackWhitePalette(picture)) photometric = PHOTOMETRIC_MINISBLACK;
  if (picture.bitsPerPixel == 1 && picture.palette[0] == PaletteColour{255, 255, 255} &&
      picture.palette[1] == PaletteColour{0, 0, 0}) {
    photometric = PHOTOMETRIC_MINISWHITE;
  }
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  if (photometric != PHOTOMETRIC_PALETTE) return;
  std::vector<std::uint16_t> red, green, blue;
  for (const PaletteColour& c : picture.palette) {
    red.push_back(static_cast<std::uint16_t>(c.red * 257));
    green.push_back(static_cast<std::uint16_t>(c.green * 257));
    blue.push_back(static_cast<std::uint16_t>(c.blue * 257));
  }
  TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

}  // namespace

bool DecodeTiff(const std::string& path, DecodeTarget& target) {
  const Tiff tiff = OpenQuietly(path, "r");
  if (!tiff) return false;
  std::uint32_t width = 0, height = 0;
  std::uint16_t channels = 1, bits = 1, planar = PLANARCONFIG_CONTIG;
  if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 || width > 1u << 20 ||
      height > 1u << 20) {
    return false;
  }
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &channels);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
  std::vector<PaletteColour> palette;
  const bool byRows = !TIFFIsTiled(tiff.get()) && channels == 1 && planar == PLANARCONFIG_CONTIG &&
                      (bits == 1 || bits == 8) && RowPalette(tiff.get(), bits, palette);
  const bool read = byRows
                        ? ReadRows(tiff.get(), static_cast<int>(width), static_cast<int>(height), bits, palette, target)
                        : ReadRgba(tiff.get(), static_cast<int>(width), static_cast<int>(height), target);
  if (read) ReadDpi(tiff.get(), target);
  return read;
}

bool EncodeTiff(const std::string& path, const PictureView& picture) {
  const Tiff tiff = OpenQuietly(path, "w");
  if (!tiff) return false;
  TIFF* t = tiff.get();
  const bool colour = picture.bitsPerPixel == 24;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.height));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(colour ? 3 : 1));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(colour ? 8 : picture.bitsPerPixel));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(picture.dpiX));
  TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(picture.dpiY));
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (colour) {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  } else {
    WritePaletteTags(t, picture);
  }
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

  // The encoder may work in its input buffer, so every row goes through a copy.
  std::vector<std::uint8_t> row(picture.stride);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* from = RowFromTop(picture, y);
    if (colour) {
      for (int x = 0; x < picture.width; ++x) {
        row[3 * static_cast<std::size_t>(x)] = from[3 * x + 2];
        row[3 * static_cast<std::size_t>(x) + 1] = from[3 * x + 1];
        row[3 * static_cast<std::size_t>(x) + 2] = from[3 * x];
      }
    } else {
      std::copy(from, from + picture.stride, row.begin());
    }
    if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
  }
  return TIFFFlush(t) == 1;
}

}  // namespace platform
