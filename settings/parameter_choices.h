// The parameter settings dialog's values apart from its window: the members
// it edits, how they are shown in its controls and read back with
// validation, the exclusions between its correction and page options, the
// A3/A4 actual-size pair, and how OK copies the values into the settings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "settings/settings.h"

namespace settings {

// The watermark text field takes at most this many characters.
inline constexpr std::size_t kWatermarkTextCharacters = 50;

// The dialog's members, with the values the dialog is made with.
struct ParameterChoices {
  float blue = 0.11F;
  float green = 0.59F;
  float red = 0.30F;
  float threshold = 0.20F;
  std::int32_t quality = 70;
  std::int32_t dpiHorizontal = 100;
  std::int32_t dpiVertical = 100;
  std::int32_t correct = 0;
  std::int32_t blackEdge = 0;
  std::int32_t idCard = 0;  // a hidden box; nothing copies it
  std::int32_t faceRotationIndex = -1;
  std::int32_t watermark = 0;
  std::string watermarkText;
  std::int32_t watermarkTime = 0;
  std::int32_t a3ActualSize = 0;
  std::int32_t imageFormat = 0;
  std::int32_t fingerErase = 0;
  std::int32_t smartPaging = 0;
  std::int32_t curveFlatten = 0;
  std::int32_t sizeChoice = 1;  // 1 after "A3 actual size" was clicked, 2 after "A4"

  friend bool operator==(const ParameterChoices&, const ParameterChoices&) = default;
};

// What the dialog's controls hold: the edit fields' texts, the check boxes'
// states and the index of the checked radio button of each group (-1: none).
struct ParameterForm {
  std::string red, green, blue, threshold;
  std::string quality, dpiHorizontal, dpiVertical;
  std::string watermarkText;
  bool positionCorrection = false;
  bool blackEdge = false;
  bool idCard = false;
  bool watermark = false;
  bool watermarkTime = false;
  bool a3ActualSize = false;
  bool a4ActualSize = false;
  bool curveCorrection = false;
  bool fingerErasing = false;
  bool smartPaging = false;
  std::int32_t imageFormat = -1;
  std::int32_t faceRotation = -1;

  friend bool operator==(const ParameterForm&, const ParameterForm&) = default;
};

// The members as the dialog takes them from the settings before it is shown.
ParameterChoices ChoicesFromSettings(const Settings& settings);

// The controls showing the members: numbers as the dialog framework writes
// them (reals with up to six significant digits, so 0.3 shows as "0.3").
ParameterForm FormShowing(const ParameterChoices& choices);

// The dialog's initialisation once its controls show the members: one of
// the two actual-size boxes is always checked (A3 when the member says so,
// else A4), and a stored page option (curve correction, finger erasing,
// smart paging) unchecks both correction boxes and clears their members,
// since the page processor and the corrections exclude each other.
void InitialiseForm(ParameterForm& form, ParameterChoices& choices);

// The actual-size boxes act as a pair: the one clicked is checked, the other not.
void ChooseA3ActualSize(ParameterForm& form, ParameterChoices& choices);
void ChooseA4ActualSize(ParameterForm& form, ParameterChoices& choices);
// A click on a page option, checking or unchecking it, unchecks both corrections.
void PageOptionClicked(ParameterForm& form);
// A click on a correction unchecks the three page options.
void CorrectionClicked(ParameterForm& form);

enum class ParameterField { Blue, Green, Red, Threshold, Quality, DpiHorizontal, DpiVertical };

// A field whose text the members cannot take, and the framework's prompt for it.
struct FieldRejection {
  ParameterField field;
  std::string prompt;
  friend bool operator==(const FieldRejection&, const FieldRejection&) = default;
};

// OK reads every control into the members, checking the fields in the
// dialog's exchange order: the coefficients and the threshold must be
// decimal numbers from 0 to 1, the quality and DPI fields integers. The
// first field that fails is answered, and then nothing is taken. Members
// without a control (the size choice) come from `current`. The watermark
// text keeps its first 50 characters.
std::variant<ParameterChoices, FieldRejection> ReadForm(const ParameterForm& form, const ParameterChoices& current);

// Stores a DPI pair with the resolution rule (ApplyDpiPair of settings/resolution.h).
using DpiPairStore = std::function<void(std::int32_t dpiX, std::int32_t dpiY)>;

// Copies the members confirmed by OK into the settings in the dialog's
// order; the DPI pair goes through `storeDpiPair`, so a horizontal DPI that
// differs from the current resolution becomes the resolution and both DPI
// values. The ID-card box is not copied. Saving is the caller's.
void StoreChoices(const ParameterChoices& choices, Settings& settings, const DpiPairStore& storeDpiPair);

}  // namespace settings
