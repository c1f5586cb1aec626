// Drawing on a dialog window's device context, for the Win32 dialog adapter.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/dialog.h"

namespace platform {

// A Canvas on GetDC(window), released when the canvas goes. Without a window
// or a context to give, its drawing calls do nothing.
std::unique_ptr<Canvas> MakeWindowCanvas(HWND window);

}  // namespace platform
