// The platform's capture service: DirectShow on Windows, the virtual
// document camera playing the scene named by MERVALE_SCENE elsewhere.
#pragma once

#include "capture/video_capture_service.h"

namespace capture {

// Made on first use and kept for the life of the process.
VideoCaptureService& SystemVideoCaptureService();

}  // namespace capture
