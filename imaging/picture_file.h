// Loading and saving pictures in any format the system meets: bitmaps with
// our own code, PNG, JPEG, TIFF and GIF through the platform's codecs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "imaging/picture.h"

namespace imaging {

enum class PictureFormat { Recognise, Bmp, Png, Jpeg, Tiff, Gif };

// The format whose signature starts `bytes`, or Recognise when none does.
PictureFormat FormatFromContent(std::span<const std::uint8_t> bytes);

// The format named by the path's extension, in any letter case, or Recognise.
PictureFormat FormatFromExtension(std::string_view path);

// Loads a file in the given format; with Recognise, in the format its
// content shows, else the one its extension names, and nothing but a plain
// file (no link, FIFO or device) is read. An empty picture when the file
// cannot be read in that format.
Picture LoadPicture(const std::string& path, PictureFormat format = PictureFormat::Recognise);

// Saves in the given format (Recognise: the extension's, bitmap when it
// names none). Returns false for an empty picture or a failed write.
bool SavePicture(const Picture& picture, const std::string& path, PictureFormat format);

}  // namespace imaging
