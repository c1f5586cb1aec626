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
  choices.red = static_cast<float>(settings.coefRed);
  choices.green = static_cast<float>(settings.coefGreen);
  choices.blue = static_cast<float>(settings.coefBlue);
  choices.threshold = static_cast<float>(settings.bwThreshold);
  choices.dpiHorizontal = settings.dpiX;
  choices.dpiVertical = settings.dpiY;
  choices.a3ActualSize = settings.actualSizeA3 ? 1 : 0;
  choices.quality = settings.pictureQuality;
  choices.sizeChoice = settings.actualSizeChoice;
  choices.correct = settings.autoCorrect;
  choices.blackEdge = settings.autoCrop;
  choices.faceRotationIndex = settings.faceRotation / 90;
  choices.imageFormat = settings.fileFormatIndex;
  choices.watermark = settings.watermarkOn;
  choices.watermarkTime = settings.watermarkTime;
  choices.watermarkText = settings.watermarkText;
  choices.curveFlatten = settings.curveFlatten;
  choices.smartPaging = settings.smartPaging;
  choices.fingerErase = settings.fingerErase;
  return choices;
}

ParameterForm FormShowing(const ParameterChoices& choices) {
  ParameterForm form;
  form.red = RealText(choices.red);
  form.green = RealText(choices.green);
  form.blue = RealText(choices.blue);
  form.threshold = RealText(choices.threshold);
  form.quality = std::to_string(choices.quality);
  form.dpiHorizontal = std::to_string(choices.dpiHorizontal);
  form.dpiVertical = std::to_string(choices.dpiVertical);
  form.watermarkText = choices.watermarkText;
  form.positionCorrection = choices.correct != 0;
  form.blackEdge = choices.blackEdge != 0;
  form.idCard = choices.idCard != 0;
  form.watermark = choices.watermark != 0;
  form.watermarkTime = choices.watermarkTime != 0;
  form.a3ActualSize = choices.a3ActualSize != 0;
  form.curveCorrection = choices.curveFlatten != 0;
  form.fingerErasing = choices.fingerErase != 0;
  form.smartPaging = choices.smartPaging != 0;
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
  read.Unit(ParameterField::Blue, form.blue, choices.blue);
  read.Unit(ParameterField::Green, form.green, choices.green);
  read.Unit(ParameterField::Red, form.red, choices.red);
  read.Unit(ParameterField::Threshold, form.threshold, choices.threshold);
  read.Integer(ParameterField::Quality, form.quality, choices.quality);
  read.Integer(ParameterField::DpiHorizontal, form.dpiHorizontal, choices.dpiHorizontal);
  read.Integer(ParameterField::DpiVertical, form.dpiVertical, choices.dpiVertical);
  if (read.rejection) return *read.rejection;

  choices.correct = form.positionCorrection ? 1 : 0;
  choices.blackEdge = form.blackEdge ? 1 : 0;
  choices.idCard = form.idCard ? 1 : 0;
  if (form.faceRotation >= 0) choices.faceRotationIndex = form.faceRotation;
  choices.watermark = form.watermark ? 1 : 0;
  choices.watermarkText = FirstCharacters(form.watermarkText, kWatermarkTextCharacters);
  choices.watermarkTime = form.watermarkTime ? 1 : 0;
  choices.a3ActualSize = form.a3ActualSize ? 1 : 0;
  if (form.imageFormat >= 0) choices.imageFormat = form.imageFormat;
  choices.fingerErase = form.fingerErasing ? 1 : 0;
  choices.smartPaging = form.smartPaging ? 1 : 0;
  choices.curveFlatten = form.curveCorrection ? 1 : 0;
  return choices;
}

void StoreChoices(const ParameterChoices& choices, Settings& settings, const DpiPairStore& storeDpiPair) {
  StoreCoefficient(choices.red, settings.coefRed);
  StoreCoefficient(choices.green, settings.coefGreen);
  StoreCoefficient(choices.blue, settings.coefBlue);
  StoreCoefficient(choices.threshold, settings.bwThreshold);
  storeDpiPair(choices.dpiHorizontal, choices.dpiVertical);
  settings.actualSizeA3 = choices.a3ActualSize == 1;
  settings.pictureQuality = choices.quality;
  settings.actualSizeChoice = choices.sizeChoice;
  settings.autoCorrect = choices.correct;
  settings.autoCrop = choices.blackEdge;
  if (choices.faceRotationIndex * 90 != settings.faceRotation) {
    settings.faceRotation = choices.faceRotationIndex * 90;
  }
  settings.fileFormatIndex = choices.imageFormat;
  settings.watermarkOn = choices.watermark;
  settings.watermarkTime = choices.watermarkTime;
  settings.watermarkText = choices.watermarkText;
  settings.curveFlatten = choices.curveFlatten;
  settings.smartPaging = choices.smartPaging;
  settings.fingerErase = choices.fingerErase;
}

}  // namespace settings
