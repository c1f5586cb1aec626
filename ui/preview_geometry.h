// Where the live preview lies in the main dialog, taken afresh on every use
// because the dialog may move between two mouse messages.
#pragma once

#include "platform/dialog.h"

namespace ui {

// The preview control's window rectangle in screen coordinates.
platform::Rect PreviewScreenRect(const platform::DialogWindow& window);
// The same rectangle in the dialog's client coordinates.
platform::Rect PreviewClientRect(const platform::DialogWindow& window);

// The colour of every mark drawn over the preview.
inline constexpr platform::Rgb kOverlayColour{255, 0, 255};

}  // namespace ui
