// Control and timer ids of the main scanning dialog (template 3010).
#pragma once

namespace ui {

inline constexpr int kMainDialogTemplate = 3010;
inline constexpr int kDialogIcon = 3016;

inline constexpr int kPreviewControl = 3013;
inline constexpr int kImageTypeList = 3006;
inline constexpr int kRotationList = 3005;
inline constexpr int kScanButton = 1;
inline constexpr int kCloseCommand = 2;  // the close box and Esc
inline constexpr int kSubmitButton = 3019;
inline constexpr int kSettingsButton = 3000;
inline constexpr int kDefaultRadio = 3014;
inline constexpr int kIdCardRadio = 3025;
inline constexpr int kTimedRadio = 3016;
inline constexpr int kIntervalList = 3018;
inline constexpr int kAutomaticRadio = 3015;
inline constexpr int kHiddenAutomaticRadio = 3044;
inline constexpr int kPositionCorrectionCheck = 3024;
inline constexpr int kBlackEdgeCheck = 3045;
inline constexpr int kStatusLine = 3033;
// Hidden controls that still receive their values at start.
inline constexpr int kResolutionList = 3003;
inline constexpr int kPaperList = 3004;
inline constexpr int kFeederEnabledCheck = 3008;
inline constexpr int kFeederLoadedCheck = 3009;
inline constexpr int kImageCountUpDown = 3007;

// Window timers of the dialog.
inline constexpr int kContinuousShotTimer = 1;  // 50 ms
inline constexpr int kIdCardFrameTimer = 2;     // 5 ms
inline constexpr int kSelectionFrameTimer = 5;  // 5 ms
inline constexpr int kPageOutlineTimer = 6;     // 5 ms
inline constexpr int kCloseRequestTimer = 7;    // once, at the first tick after enabling
inline constexpr unsigned kContinuousShotPeriod = 50;
inline constexpr unsigned kOverlayPeriod = 5;

}  // namespace ui
