#include "ui/parameter_dialog.h"

#include <array>
#include <string>
#include <variant>

#include "resources/dialog_ids.h"
#include "ui/main_dialog_timers.h"

namespace ui {
namespace {

using namespace dialog_ids::parameter_settings;

// The framework's prompts carry the library's name as caption.
constexpr const char* kPromptCaption = "MervaleTwain";

constexpr std::array<int, 5> kImageFormatRadios = {kBmpRadio, kJpgRadio, kTifRadio, kPngRadio, kTgaRadio};
constexpr std::array<int, 4> kFaceRotationRadios = {kRotation0Radio, kRotation90Radio, kRotation180Radio,
                                                    kRotation270Radio};

struct TextField {
  int id;
  std::string settings::ParameterForm::*text;
};
constexpr std::array<TextField, 8> kTextFields = {{
    {kRedEdit, &settings::ParameterForm::red},
    {kGreenEdit, &settings::ParameterForm::green},
    {kBlueEdit, &settings::ParameterForm::blue},
    {kThresholdEdit, &settings::ParameterForm::threshold},
    {kQualityEdit, &settings::ParameterForm::quality},
    {kDpiHorizontalEdit, &settings::ParameterForm::dpiHorizontal},
    {kDpiVerticalEdit, &settings::ParameterForm::dpiVertical},
    {kWatermarkTextEdit, &settings::ParameterForm::watermarkText},
}};

struct CheckField {
  int id;
  bool settings::ParameterForm::*checked;
};
constexpr std::array<CheckField, 10> kCheckFields = {{
    {kPositionCorrectionCheck, &settings::ParameterForm::positionCorrection},
    {kBlackEdgeCheck, &settings::ParameterForm::blackEdge},
    {kIdCardCheck, &settings::ParameterForm::idCard},
    {kWatermarkCheck, &settings::ParameterForm::watermark},
    {kWatermarkTimeCheck, &settings::ParameterForm::watermarkTime},
    {kA3ActualSizeCheck, &settings::ParameterForm::a3ActualSize},
    {kA4ActualSizeCheck, &settings::ParameterForm::a4ActualSize},
    {kCurveCorrectionCheck, &settings::ParameterForm::curveCorrection},
    {kFingerErasingCheck, &settings::ParameterForm::fingerErasing},
    {kSmartPagingCheck, &settings::ParameterForm::smartPaging},
}};

int FieldControl(settings::ParameterField field) {
  switch (field) {
    case settings::ParameterField::Blue:
      return kBlueEdit;
    case settings::ParameterField::Green:
      return kGreenEdit;
    case settings::ParameterField::Red:
      return kRedEdit;
    case settings::ParameterField::Threshold:
      return kThresholdEdit;
    case settings::ParameterField::Quality:
      return kQualityEdit;
    case settings::ParameterField::DpiHorizontal:
      return kDpiHorizontalEdit;
    case settings::ParameterField::DpiVertical:
      break;
  }
  return kDpiVerticalEdit;
}

template <std::size_t N>
std::int32_t CheckedRadio(const platform::DialogWindow& window, const std::array<int, N>& radios) {
  for (std::size_t i = 0; i < N; ++i) {
    if (window.IsChecked(radios[i])) return static_cast<std::int32_t>(i);
  }
  return -1;
}

template <std::size_t N>
void CheckRadio(platform::DialogWindow& window, const std::array<int, N>& radios, std::int32_t index) {
  for (std::size_t i = 0; i < N; ++i) window.SetChecked(radios[i], static_cast<std::int32_t>(i) == index);
}

}  // namespace

settings::ParameterForm ParameterDialog::ReadControls() const {
  settings::ParameterForm form;
  for (const TextField& field : kTextFields) form.*field.text = window_->ItemText(field.id);
  for (const CheckField& field : kCheckFields) form.*field.checked = window_->IsChecked(field.id);
  form.imageFormat = CheckedRadio(*window_, kImageFormatRadios);
  form.faceRotation = CheckedRadio(*window_, kFaceRotationRadios);
  return form;
}

void ParameterDialog::ShowForm(const settings::ParameterForm& form) {
  for (const TextField& field : kTextFields) {
    if (window_->ItemText(field.id) != form.*field.text) window_->SetItemText(field.id, form.*field.text);
  }
  for (const CheckField& field : kCheckFields) window_->SetChecked(field.id, form.*field.checked);
  CheckRadio(*window_, kImageFormatRadios, form.imageFormat);
  CheckRadio(*window_, kFaceRotationRadios, form.faceRotation);
}

void ParameterDialog::OnInit(platform::DialogWindow& window) {
  window_ = &window;
  window.SetIcon(kDialogIcon);
  settings::ParameterForm form = settings::FormShowing(choices_);
  const bool correctionsAllowed = choices_.idCard == 0;
  window.EnableItem(kPositionCorrectionCheck, correctionsAllowed);
  window.EnableItem(kBlackEdgeCheck, correctionsAllowed);
  settings::InitialiseForm(form, choices_);
  ShowForm(form);
}

void ParameterDialog::ChangeForm(const std::function<void(settings::ParameterForm&)>& change) {
  settings::ParameterForm form = ReadControls();
  change(form);
  ShowForm(form);
}

void ParameterDialog::OnIdCardBox() {
  // The hidden ID-card box reads every control into the members, as the
  // framework's exchange does; a field it cannot take leaves them as they were.
  const auto read = settings::ReadForm(ReadControls(), choices_);
  if (const auto* choices = std::get_if<settings::ParameterChoices>(&read)) choices_ = *choices;
  const bool correctionsAllowed = choices_.idCard == 0;
  window_->EnableItem(kPositionCorrectionCheck, correctionsAllowed);
  window_->EnableItem(kBlackEdgeCheck, correctionsAllowed);
  choices_.blackEdge = 0;
}

void ParameterDialog::OnAdvanced() {
  window_->Hide();
  if (actions_.showDeviceProperties) actions_.showDeviceProperties(*window_);
  window_->Show();
}

void ParameterDialog::OnConfirm() {
  const auto read = settings::ReadForm(ReadControls(), choices_);
  if (const auto* rejection = std::get_if<settings::FieldRejection>(&read)) {
    actions_.messageBoxes.Show(
        {window_->Handle(), rejection->prompt, kPromptCaption, platform::mb::kOk | platform::mb::kIconExclamation});
    window_->FocusItem(FieldControl(rejection->field));
    return;
  }
  choices_ = std::get<settings::ParameterChoices>(read);
  window_->EndModal(platform::kIdOk);
}

void ParameterDialog::OnCommand(int controlId, int) {
  switch (controlId) {
    case kA3ActualSizeCheck:
      ChangeForm([&](settings::ParameterForm& form) { settings::ChooseA3ActualSize(form, choices_); });
      break;
    case kA4ActualSizeCheck:
      ChangeForm([&](settings::ParameterForm& form) { settings::ChooseA4ActualSize(form, choices_); });
      break;
    case kCurveCorrectionCheck:
    case kFingerErasingCheck:
    case kSmartPagingCheck:
      ChangeForm(settings::PageOptionClicked);
      break;
    case kPositionCorrectionCheck:
    case kBlackEdgeCheck:
      ChangeForm(settings::CorrectionClicked);
      break;
    case kIdCardCheck:
      OnIdCardBox();
      break;
    case kAdvancedButton:
      OnAdvanced();
      break;
    case kVideoPinButton:
      if (actions_.runVideoFormatDialog) actions_.runVideoFormatDialog(*window_);
      break;
    case kOkButton:
      OnConfirm();
      break;
    case kCancelButton:
      window_->EndModal(platform::kIdCancel);
      break;
    default:
      break;
  }
}

}  // namespace ui
