// PNG through libpng. libpng reports errors by longjmp back to the setjmp of
// the function that drives it; those functions therefore hold only plain C
// data, and everything with a destructor lives in their callers.
#include <png.h>

#include <csetjmp>
#include <vector>

#include "platform/posix/picture_codecs_posix.h"

namespace platform {

namespace {

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStructs() { png_destroy_write_struct(&png, &info); }
};

// Chooses the depth and the transformations that give it; returns the depth.
int ChooseReadDepth(png_structp png, png_infop info) {
  const int colourType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE && !transparency) {
    if (depth == 1) return 1;
    png_set_packing(png);  // indices of 2 and 4 bits become bytes
    return 8;
  }
  if (colourType == PNG_COLOR_TYPE_GRAY && !transparency) {
    if (depth == 1) return 1;
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_strip_16(png);
    return 8;
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if ((colourType & PNG_COLOR_MASK_ALPHA) || transparency) {
    png_color_16 white{};
    white.red = white.green = white.blue = white.gray = 255;
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
  }
  return 24;
}

bool ReadImage(png_structp png, png_infop info, std::FILE* file, DecodeTarget& target) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  const int bits = ChooseReadDepth(png, info);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const auto width = static_cast<int>(png_get_image_width(png, info));
  const auto height = static_cast<int>(png_get_image_height(png, info));
  const DecodeRows rows = target.Allocate(width, height, bits);
  if (!rows.bottom || png_get_rowbytes(png, info) > rows.stride) return false;

  if (bits != 24) {
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) && entries > 0) {
      PaletteColour colours[256];
      for (int i = 0; i < entries && i < 256; ++i) colours[i] = {palette[i].red, palette[i].green, palette[i].blue};
      target.SetPalette(std::span(colours, static_cast<std::size_t>(entries < 256 ? entries : 256)));
    }
  }
  png_uint_32 perMetreX = 0, perMetreY = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &perMetreX, &perMetreY, &unit) && unit == PNG_RESOLUTION_METER) {
    target.SetDpi(DotsPerInchFromMetre(perMetreX), DotsPerInchFromMetre(perMetreY));
  }
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) {
      png_read_row(png, rows.bottom + static_cast<std::size_t>(height - 1 - y) * rows.stride, nullptr);
    }
  }
  return true;
}

// The colour type, depth and palette a picture is written with.
int WriteColourType(const PictureView& picture, int& depth) {
  depth = picture.bitsPerPixel == 24 ? 8 : picture.bitsPerPixel;
  if (picture.bitsPerPixel == 24) return PNG_COLOR_TYPE_RGB;
  return IsGreyPalette(picture) || IsBlackWhitePalette(picture) ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
}

bool WriteImage(png_structp png, png_infop info, std::FILE* file, const PictureView& picture, png_colorp palette) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  int depth = 8;
  const int colourType = WriteColourType(picture, depth);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), depth,
               colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, static_cast<int>(picture.palette.size()));
  png_set_pHYs(png, info, DotsPerMetre(picture.dpiX), DotsPerMetre(picture.dpiY), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  if (picture.bitsPerPixel == 24) png_set_bgr(png);
  for (int y = 0; y < picture.height; ++y) png_write_row(png, RowFromTop(picture, y));
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool DecodePng(std::FILE* file, DecodeTarget& target) {
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!structs.png) return false;
  structs.info = png_create_info_struct(structs.png);
  if (!structs.info) return false;
  return ReadImage(structs.png, structs.info, file, target);
}

bool EncodePng(std::FILE* file, const PictureView& picture) {
  WriteStructs structs;
  structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!structs.png) return false;
  structs.info = png_create_info_struct(structs.png);
  if (!structs.info) return false;
  std::vector<png_color> palette;
  for (const PaletteColour& c : picture.palette) palette.push_back({c.red, c.green, c.blue});
  return WriteImage(structs.png, structs.info, file, picture, palette.data());
}

}  // namespace platform
