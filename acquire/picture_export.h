// File transfers: a picture block written as the file format the
// application negotiated (ICAP_IMAGEFILEFORMAT, DAT_SETUPFILEXFER).
#pragma once

#include <cstdint>
#include <string>

#include "acquire/picture_bitmap.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"

namespace acquire {

// Whether a file transfer writes this TWFF format: one of caps::kImageFileFormats.
bool WritesFileFormat(std::uint16_t fileFormat);

// Writes a block as a file of `fileFormat`, replacing any file of that name,
// and checks every write through the close. Returns whether the file was
// written whole; a plain file that was not is removed (a device the
// application named is left alone). False without a block or for a format
// outside caps::kImageFileFormats.
bool SavePictureFile(PictureBitmap bitmap, const std::string& path, std::uint16_t fileFormat,
                     platform::GlobalMemory& memory, platform::MessageBoxes& boxes);

}  // namespace acquire
