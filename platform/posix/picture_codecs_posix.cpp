#include "platform/picture_codecs.h"

#include "platform/file_stream.h"
#include "platform/posix/picture_codecs_posix.h"

namespace platform {

bool DecodePictureFile(const std::string& path, CodecFormat format, DecodeTarget& target) {
  if (format == CodecFormat::Tiff) return DecodeTiff(path, target);
  if (format == CodecFormat::Gif) return false;  // no GIF codec on Linux
  const FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  return format == CodecFormat::Png ? DecodePng(file.get(), target) : DecodeJpeg(file.get(), target);
}

bool EncodePictureFile(const std::string& path, CodecFormat format, const PictureView& picture) {
  if (format == CodecFormat::Tiff) return EncodeTiff(path, picture);
  if (format == CodecFormat::Gif) return false;
  FileHandle file = OpenFile(path, "wb");
  if (!file) return false;
  const bool encoded = format == CodecFormat::Png ? EncodePng(file.get(), picture) : EncodeJpeg(file.get(), picture);
  return std::fclose(file.release()) == 0 && encoded;
}

}  // namespace platform
