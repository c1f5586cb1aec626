#include "ui/parameter_dialog.h"

#include <array>
#include <string>
#include <variant>

namespace ui {
namespace {

constexpr int kDialogIcon = 3016;
// The framework's prompts carry the library's name as caption.
constexpr const char* kPromptCaption = "MervaleTwain";
constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kRedEdit = 3002;
constexpr int kGreenEdit = 3003;
constexpr int kBlueEdit = 3004;
constexpr int kThresholdEdit = 3005;
constexpr int kAdvancedButton = 3006;
constexpr int kDpiHorizontalEdit = 3009;
constexpr int kDpiVerticalEdit = 3010;
constexpr int kQualityEdit = 3011;
constexpr int kVideoFormatButton = 3012;
constexpr int kPositionCorrectionBox = 3022;
constexpr int kBlackEdgeBox = 3023;
constexpr int kIdCardBox = 3024;
constexpr int kWatermarkBox = 3041;
constexpr int kWatermarkTextEdit = 3042;
constexpr int kWatermarkTimeBox = 3043;
constexpr int kA3ActualSizeBox = 3046;
constexpr int kA4ActualSizeBox = 3062;
constexpr int kCurveCorrectionBox = 3063;
constexpr int kFingerErasingBox = 3064;
constexpr int kSmartPagingBox = 3065;
constexpr std::array<int, 5> kImageFormatRadios = {3057, 3058, 3059, 3060, 3061};
constexpr std::array<int, 4> kFaceRotationRadios = {3028, 3029, 3030, 3031};

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
    {kPositionCorrectionBox, &settings::ParameterForm::positionCorrection},
    {kBlackEdgeBox, &settings::ParameterForm::blackEdge},
    {kIdCardBox, &settings::ParameterForm::idCard},
    {kWatermarkBox, &settings::ParameterForm::watermark},
    {kWatermarkTimeBox, &settings::ParameterForm::watermarkTime},
    {kA3ActualSizeBox, &settings::ParameterForm::a3ActualSize},
    {kA4ActualSizeBox, &settings::ParameterForm::a4ActualSize},
    {kCurveCorrectionBox, &settings::ParameterForm::curveCorrection},
    {kFingerErasingBox, &settings::ParameterForm::fingerErasing},
    {kSmartPagingBox, &settings::ParameterForm::smartPaging},
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
  window.EnableItem(kPositionCorrectionBox, correctionsAllowed);
  window.EnableItem(kBlackEdgeBox, correctionsAllowed);
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
  window_->EnableItem(kPositionCorrectionBox, correctionsAllowed);
  window_->EnableItem(kBlackEdgeBox, correctionsAllowed);
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
    case kA3ActualSizeBox:
      ChangeForm([&](settings::ParameterForm& form) { settings::ChooseA3ActualSize(form, choices_); });
      break;
    case kA4ActualSizeBox:
      ChangeForm([&](settings::ParameterForm& form) { settings::ChooseA4ActualSize(form, choices_); });
      break;
    case kCurveCorrectionBox:
    case kFingerErasingBox:
    case kSmartPagingBox:
      ChangeForm(settings::PageOptionClicked);
      break;
    case kPositionCorrectionBox:
    case kBlackEdgeBox:
      ChangeForm(settings::CorrectionClicked);
      break;
    case kIdCardBox:
      OnIdCardBox();
      break;
    case kAdvancedButton:
      OnAdvanced();
      break;
    case kVideoFormatButton:
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
