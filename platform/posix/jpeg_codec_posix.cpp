// JPEG through libjpeg-turbo, whose blue-green-red output matches our rows.
// libjpeg reports errors through error_exit, which longjmps back to the
// driving function; those functions hold only plain C data.
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <vector>

#include "platform/posix/picture_codecs_posix.h"

namespace platform {

namespace {

constexpr int kQuality = 90;

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }
void OnMessage(j_common_ptr, int) {}

ErrorManager* Silent(ErrorManager* errors) {
  jpeg_std_error(&errors->manager);
  errors->manager.error_exit = OnError;
  errors->manager.emit_message = OnMessage;
  return errors;
}

bool ReadImage(jpeg_decompress_struct* info, ErrorManager* errors, std::FILE* file, DecodeTarget& target) {
  if (setjmp(errors->jump)) {
    jpeg_destroy_decompress(info);
    return false;
  }
  jpeg_create_decompress(info);
  jpeg_stdio_src(info, file);
  jpeg_read_header(info, TRUE);
  // Grey stays 8-bit; colour comes as blue, green, red; four-channel (CMYK) files are not read.
  if (info->num_components != 1 && info->num_components != 3) {
    jpeg_destroy_decompress(info);
    return false;
  }
  const int bits = info->num_components == 1 ? 8 : 24;
  info->out_color_space = bits == 8 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(info);
  const auto height = static_cast<int>(info->output_height);
  const DecodeRows rows = target.Allocate(static_cast<int>(info->output_width), height, bits);
  if (!rows.bottom) {
    jpeg_destroy_decompress(info);
    return false;
  }
  if (info->density_unit == 1) target.SetDpi(info->X_density, info->Y_density);
  if (info->density_unit == 2)
    target.SetDpi(static_cast<int>(info->X_density * 2.54 + 0.5), static_cast<int>(info->Y_density * 2.54 + 0.5));
  while (info->output_scanline < info->output_height) {
    JSAMPROW row =
        rows.bottom + static_cast<std::size_t>(height - 1 - static_cast<int>(info->output_scanline)) * rows.stride;
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  jpeg_destroy_decompress(info);
  return true;
}

// Fills `scratch` with row y (from the top) as JPEG takes it, or returns the
// picture's own row when it can be taken as it is.
const std::uint8_t* JpegRow(const PictureView& picture, bool grey, int y, std::vector<std::uint8_t>& scratch) {
  const std::uint8_t* row = RowFromTop(picture, y);
  if (picture.bitsPerPixel == 24 || IsGreyPalette(picture)) return row;
  for (int x = 0; x < picture.width; ++x) {
    const PaletteColour& c = picture.palette[IndexAt(picture, row, x)];
    if (grey) {
      scratch[static_cast<std::size_t>(x)] = c.red;
    } else {
      std::uint8_t* p = &scratch[3 * static_cast<std::size_t>(x)];
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
    }
  }
  return scratch.data();
}

bool WriteImage(jpeg_compress_struct* info, ErrorManager* errors, std::FILE* file, const PictureView& picture,
                std::vector<std::uint8_t>& scratch) {
  if (setjmp(errors->jump)) {
    jpeg_destroy_compress(info);
    return false;
  }
  jpeg_create_compress(info);
  jpeg_stdio_dest(info, file);
  const bool grey = picture.bitsPerPixel != 24 && PaletteIsGreyLevels(picture);
  info->image_width = static_cast<JDIMENSION>(picture.width);
  info->image_height = static_cast<JDIMENSION>(picture.height);
  info->input_components = grey ? 1 : 3;
  info->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, kQuality, TRUE);
  info->density_unit = 1;
  info->X_density = static_cast<UINT16>(picture.dpiX);
  info->Y_density = static_cast<UINT16>(picture.dpiY);
  jpeg_start_compress(info, TRUE);
  while (info->next_scanline < info->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(JpegRow(picture, grey, static_cast<int>(info->next_scanline), scratch));
    jpeg_write_scanlines(info, &row, 1);
  }
  jpeg_finish_compress(info);
  jpeg_destroy_compress(info);
  return true;
}

}  // namespace

bool DecodeJpeg(std::FILE* file, DecodeTarget& target) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = &Silent(&errors)->manager;
  return ReadImage(&info, &errors, file, target);
}

bool EncodeJpeg(std::FILE* file, const PictureView& picture) {
  if (picture.dpiX > 65535 || picture.dpiY > 65535) return false;
  jpeg_compress_struct info{};
  ErrorManager errors{};
  info.err = &Silent(&errors)->manager;
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(picture.width) * 3);
  return WriteImage(&info, &errors, file, picture, scratch);
}

}  // namespace platform
