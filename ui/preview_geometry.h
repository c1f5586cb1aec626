// Where the live preview lies in the main dialog, taken afresh on every use
// because the dialog may move between two mouse messages.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

namespace ui {

// The preview control's window rectangle in screen coordinates.
platform::Rect PreviewScreenRect(const platform::DialogWindow& window);
// The same rectangle in the dialog's client coordinates.
platform::Rect PreviewClientRect(const platform::DialogWindow& window);
// Control `id`'s window rectangle in the dialog's client coordinates.
platform::Rect ItemClientRect(const platform::DialogWindow& window, int id);

// (value - origin) in ten-thousandths of `extent`, truncated toward zero; 0
// for an empty extent. Positions over the preview are kept in this form.
std::int32_t TenThousandths(int value, int origin, int extent);

// The colour of every mark drawn over the preview.
inline constexpr platform::Rgb kOverlayColour{255, 0, 255};

}  // namespace ui
