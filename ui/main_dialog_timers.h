// The main scanning dialog's window timers, and what it uses besides its
// template's controls (resources/dialog_ids.h).
#pragma once

#include "resources/dialog_ids.h"

namespace ui {

inline constexpr int kDialogIcon = dialog_ids::kDialogIcon;
inline constexpr int kCloseCommand = 2;  // the close box and Esc

// Window timers of the dialog.
inline constexpr int kContinuousShotTimer = 1;  // 50 ms
inline constexpr int kIdCardFrameTimer = 2;     // 5 ms
inline constexpr int kSelectionFrameTimer = 5;  // 5 ms
inline constexpr int kPageOutlineTimer = 6;     // 5 ms
inline constexpr int kCloseRequestTimer = 7;    // once, at the first tick after enabling
inline constexpr unsigned kContinuousShotPeriod = 50;
inline constexpr unsigned kOverlayPeriod = 5;

}  // namespace ui
