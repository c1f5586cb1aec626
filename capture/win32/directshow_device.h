// A document camera under DirectShow: its capture filter, and the filter
// graph that runs it through the sample grabber into a video window.
#pragma once

#include <dshow.h>

#include <memory>

#include "capture/video_capture_service.h"
#include "capture/win32/com_ptr.h"

namespace capture {

std::shared_ptr<CaptureDevice> MakeDirectShowDevice(ComPtr<IBaseFilter> filter);

}  // namespace capture
