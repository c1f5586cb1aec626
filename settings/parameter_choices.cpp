#include "settings/parameter_choices.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

namespace settings {
namespace {

// The dialog framework's own prompts for fields it cannot take.
constexpr const char* kIntegerPrompt = "Please enter an integer.";
constexpr const char* kNumberPrompt = "Please enter a number.";
constexpr const char* kUnitRangePrompt = "Please enter a number between 0 and 1.";

// Buttons of the image format group (BMP, JPG, TIF, PNG, TGA) and of the hidden rotation group.
constexpr std::int32_t kImageFormats = 5;
constexpr std::int32_t kFaceRotations = 4;

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A leading "+" is taken as the framework takes it; from_chars does not.
std::string_view WithoutPlus(std::string_view text) {
  if (text.size() > 1 && text.front() == '+' && text.at(1) != '-') text.remove_prefix(1);
  return text;
}

// The whole text as a number in the C locale, whatever locale the
// application runs in; surrounding blanks are allowed.
template <typename Number>
std::optional<Number> ParseWhole(std::string_view text) {
  text = WithoutPlus(Trimmed(text));
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The first `limit` characters of UTF-8 text (a character is a lead byte
// with its continuation bytes).
std::string FirstCharacters(const std::string& text, std::size_t limit) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    if (!continuation && characters++ == limit) return text.substr(0, i);
  }
  return text;
}

// A radio group's checked index, or -1 when the value names none of its buttons.
std::int32_t RadioIndex(std::int32_t value, std::int32_t buttons) { return value >= 0 && value < buttons ? value : -1; }

// The members are floats; the settings keep the value they had unless the
// user entered another one, so an unchanged field gains no float noise.
void StoreCoefficient(float entered, double& stored) {
  if (static_cast<float>(stored) != entered) stored = entered;
}

std::string RealText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
  return text;
}

// The members the dialog keeps as the settings do, copied both ways unchanged.
struct SharedMember {
  std::int32_t ParameterChoices::*choice;
  std::int32_t Settings::*setting;
};
constexpr SharedMember kSharedMembers[] = {
    {&ParameterChoices::quality, &Settings::pictureQuality},
    {&ParameterChoices::sizeChoice, &Settings::actualSizeChoice},
    {&ParameterChoices::correct, &Settings::autoCorrect},
    {&ParameterChoices::blackEdge, &Settings::autoCrop},
    {&ParameterChoices::imageFormat, &Settings::fileFormatIndex},
    {&ParameterChoices::watermark, &Settings::watermarkOn},
    {&ParameterChoices::watermarkTime, &Settings::watermarkTime},
    {&ParameterChoices::curveFlatten, &Settings::curveFlatten},
    {&ParameterChoices::smartPaging, &Settings::smartPaging},
    {&ParameterChoices::fingerErase, &Settings::fingerErase},
};

// The black-and-white coefficients and threshold: floats in the dialog, reals in the settings.
struct Coefficient {
  float ParameterChoices::*choice;
  double Settings::*setting;
};
constexpr Coefficient kCoefficients[] = {
    {&ParameterChoices::red, &Settings::coefRed},
    {&ParameterChoices::green, &Settings::coefGreen},
    {&ParameterChoices::blue, &Settings::coefBlue},
    {&ParameterChoices::threshold, &Settings::bwThreshold},
};

// The check boxes and the members they show: 1 for checked, 0 for not.
struct CheckBox {
  bool ParameterForm::*box;
  std::int32_t ParameterChoices::*member;
};
constexpr CheckBox kCheckBoxes[] = {
    {&ParameterForm::positionCorrection, &ParameterChoices::correct},
    {&ParameterForm::blackEdge, &ParameterChoices::blackEdge},
    {&ParameterForm::idCard, &ParameterChoices::idCard},
    {&ParameterForm::watermark, &ParameterChoices::watermark},
    {&ParameterForm::watermarkTime, &ParameterChoices::watermarkTime},
    {&ParameterForm::a3ActualSize, &ParameterChoices::a3ActualSize},
    {&ParameterForm::curveCorrection, &ParameterChoices::curveFlatten},
    {&ParameterForm::fingerErasing, &ParameterChoices::fingerErase},
    {&ParameterForm::smartPaging, &ParameterChoices::smartPaging},
};

// The edit fields and their members, in the dialog's exchange order: the
// decimal fields from 0 to 1, then the integer ones.
template <typename Member>
struct EditField {
  ParameterField field;
  std::string ParameterForm::*text;
  Member ParameterChoices::*member;
};
constexpr EditField<float> kUnitFields[] = {
    {ParameterField::Blue, &ParameterForm::blue, &ParameterChoices::blue},
    {ParameterField::Green, &ParameterForm::green, &ParameterChoices::green},
    {ParameterField::Red, &ParameterForm::red, &ParameterChoices::red},
    {ParameterField::Threshold, &ParameterForm::threshold, &ParameterChoices::threshold},
};
constexpr EditField<std::int32_t> kIntegerFields[] = {
    {ParameterField::Quality, &ParameterForm::quality, &ParameterChoices::quality},
    {ParameterField::DpiHorizontal, &ParameterForm::dpiHorizontal, &ParameterChoices::dpiHorizontal},
    {ParameterField::DpiVertical, &ParameterForm::dpiVertical, &ParameterChoices::dpiVertical},
};

struct Reader {
  const ParameterForm& form;
  std::optional<FieldRejection> rejection;

  void Unit(ParameterField field, const std::string& text, float& member) {
    if (rejection) return;
    const auto value = ParseWhole<double>(text);
    if (!value) {
      rejection = FieldRejection{field, kNumberPrompt};
    } else if (!(*value >= 0.0 && *value <= 1.0)) {
      rejection = FieldRejection{field, kUnitRangePrompt};
    } else {
      member = static_cast<float>(*value);
    }
  }

  void Integer(ParameterField field, const std::string& text, std::int32_t& member) {
    if (rejection) return;
    const auto value = ParseWhole<std::int32_t>(text);
    if (!value) {
      rejection = FieldRejection{field, kIntegerPrompt};
    } else {
      member = *value;
    }
  }
};

}  // namespace

ParameterChoices ChoicesFromSettings(const Settings& settings) {
  ParameterChoices choices;
  for (const Coefficient& coefficient : kCoefficients)
    choices.*coefficient.choice = static_cast<float>(settings.*coefficient.setting);
  for (const SharedMember& shared : kSharedMembers) choices.*shared.choice = settings.*shared.setting;
  choices.dpiHorizontal = settings.dpiX;
  choices.dpiVertical = settings.dpiY;
  choices.a3ActualSize = settings.actualSizeA3 ? 1 : 0;
  choices.faceRotationIndex = settings.faceRotation / 90;
  choices.watermarkText = settings.watermarkText;
  return choices;
}

ParameterForm FormShowing(const ParameterChoices& choices) {
  ParameterForm form;
  for (const EditField<float>& edit : kUnitFields) form.*edit.text = RealText(choices.*edit.member);
  for (const EditField<std::int32_t>& edit : kIntegerFields) form.*edit.text = std::to_string(choices.*edit.member);
  form.watermarkText = choices.watermarkText;
  for (const CheckBox& check : kCheckBoxes) form.*check.box = choices.*check.member != 0;
  form.imageFormat = RadioIndex(choices.imageFormat, kImageFormats);
  form.faceRotation = RadioIndex(choices.faceRotationIndex, kFaceRotations);
  return form;
}

void InitialiseForm(ParameterForm& form, ParameterChoices& choices) {
  form.a3ActualSize = choices.a3ActualSize == 1;
  form.a4ActualSize = !form.a3ActualSize;
  if (choices.curveFlatten != 0 || choices.smartPaging != 0 || choices.fingerErase != 0) {
    form.positionCorrection = false;
    form.blackEdge = false;
    choices.correct = 0;
    choices.blackEdge = 0;
  }
}

void ChooseA3ActualSize(ParameterForm& form, ParameterChoices& choices) {
  form.a4ActualSize = false;
  form.a3ActualSize = true;
  choices.sizeChoice = 1;
}

void ChooseA4ActualSize(ParameterForm& form, ParameterChoices& choices) {
  form.a3ActualSize = false;
  form.a4ActualSize = true;
  choices.sizeChoice = 2;
}

void PageOptionClicked(ParameterForm& form) {
  form.positionCorrection = false;
  form.blackEdge = false;
}

void CorrectionClicked(ParameterForm& form) {
  form.curveCorrection = false;
  form.fingerErasing = false;
  form.smartPaging = false;
}

std::variant<ParameterChoices, FieldRejection> ReadForm(const ParameterForm& form, const ParameterChoices& current) {
  ParameterChoices choices = current;
  Reader read{form, std::nullopt};
  for (const EditField<float>& edit : kUnitFields) read.Unit(edit.field, form.*edit.text, choices.*edit.member);
  for (const EditField<std::int32_t>& edit : kIntegerFields)
    read.Integer(edit.field, form.*edit.text, choices.*edit.member);
  if (read.rejection) return *read.rejection;

  for (const CheckBox& check : kCheckBoxes) choices.*check.member = form.*check.box ? 1 : 0;
  if (form.faceRotation >= 0) choices.faceRotationIndex = form.faceRotation;
  choices.watermarkText = FirstCharacters(form.watermarkText, kWatermarkTextCharacters);
  if (form.imageFormat >= 0) choices.imageFormat = form.imageFormat;
  return choices;
}

void StoreChoices(const ParameterChoices& choices, Settings& settings, const DpiPairStore& storeDpiPair) {
  for (const Coefficient& coefficient : kCoefficients)
    StoreCoefficient(choices.*coefficient.choice, settings.*coefficient.setting);
  storeDpiPair(choices.dpiHorizontal, choices.dpiVertical);
  settings.actualSizeA3 = choices.a3ActualSize == 1;
  for (const SharedMember& shared : kSharedMembers) settings.*shared.setting = choices.*shared.choice;
  settings.faceRotation = choices.faceRotationIndex * 90;
  settings.watermarkText = choices.watermarkText;
}

}  // namespace settings
