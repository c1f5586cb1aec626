// Bitmap files, read and written by our own code because their exact bytes
// matter: every stored picture is one, and the transfers hand its header and
// rows to the application as they are.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/picture.h"

namespace imaging {

// Writes `picture` as an uncompressed bitmap: a 14-byte file header, a
// 40-byte information header (biClrUsed 0, 256 or 2; resolutions
// floor(dpi × 10000 / 254 + 0.5) pixels per metre), the palette as blue,
// green, red, 0 and the rows bottom first. The file is written whole or not
// at all (platform::FileReplacement): returns false for an empty picture or
// when it could not be written whole, and `path` then keeps what it held.
bool SaveBmp(const Picture& picture, const std::string& path);

// Reads an uncompressed bitmap of 1, 4, 8, 24 or 32 bits with a core (12
// bytes) or information header (40 to 124 bytes), bottom-up or top-down.
// 4-bit pictures become 8-bit, 32-bit ones 24-bit. Anything else, and any
// header that does not describe a picture lying wholly inside the file,
// gives an empty picture, as does a path that is not a plain file.
Picture LoadBmp(const std::string& path);
Picture DecodeBmp(std::span<const std::uint8_t> bytes);

}  // namespace imaging
