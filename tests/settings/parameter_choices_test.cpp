// The parameter dialog's values: what it shows, what OK takes and refuses,
// the exclusions between the corrections and the page options, the
// actual-size pair and how the values reach the settings.
#include "settings/parameter_choices.h"
#include "settings/resolution.h"

#include <gtest/gtest.h>

#include <variant>

#include "protocol/stored_values.h"

namespace settings {
namespace {

// The DPI pair rule on these settings and capability values.
DpiPairStore DpiStore(Settings& settings, caps::StoredValues& capValues) {
  return [&](std::int32_t x, std::int32_t y) { ApplyDpiPair(settings, capValues, x, y); };
}

// The dialog from opening to OK: the members from the settings, the controls
// showing them, the initialisation, and then `edit` on the controls.
template <typename Edit>
std::variant<ParameterChoices, FieldRejection> OpenEditAndConfirm(const Settings& settings, Edit edit) {
  ParameterChoices choices = ChoicesFromSettings(settings);
  ParameterForm form = FormShowing(choices);
  InitialiseForm(form, choices);
  edit(form, choices);
  return ReadForm(form, choices);
}

TEST(ParameterChoicesTest, TheControlsShowTheSettingsAsTheFrameworkWritesNumbers) {
  Settings settings;
  settings.watermarkText = "Archive";
  settings.dpiX = settings.dpiY = 300;
  settings.fileFormatIndex = 3;
  const ParameterForm form = FormShowing(ChoicesFromSettings(settings));
  EXPECT_EQ(form.red, "0.3");
  EXPECT_EQ(form.green, "0.59");
  EXPECT_EQ(form.blue, "0.11");
  EXPECT_EQ(form.threshold, "0.2");
  EXPECT_EQ(form.dpiHorizontal, "300");
  EXPECT_EQ(form.quality, "70");
  EXPECT_EQ(form.watermarkText, "Archive");
  EXPECT_EQ(form.imageFormat, 3);
  EXPECT_EQ(form.faceRotation, 0);
  EXPECT_TRUE(form.positionCorrection);
  EXPECT_TRUE(form.blackEdge);
}

TEST(ParameterChoicesTest, OkWithoutEditsChangesNoSetting) {
  Settings settings;
  settings.coefRed = 0.123;
  caps::StoredValues capValues;
  const auto read = OpenEditAndConfirm(settings, [](ParameterForm&, ParameterChoices&) {});
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  Settings stored = settings;
  StoreChoices(std::get<ParameterChoices>(read), stored, DpiStore(stored, capValues));
  EXPECT_EQ(stored, settings);
}

TEST(ParameterChoicesTest, ACoefficientOutsideZeroToOneIsRefusedWithTheRangePrompt) {
  const auto read = OpenEditAndConfirm(Settings{}, [](ParameterForm& form, ParameterChoices&) { form.red = "1.5"; });
  ASSERT_TRUE(std::holds_alternative<FieldRejection>(read));
  EXPECT_EQ(std::get<FieldRejection>(read),
            (FieldRejection{ParameterField::Red, "Please enter a number between 0 and 1."}));
}

TEST(ParameterChoicesTest, FieldsThatAreNoNumbersAreRefusedInExchangeOrder) {
  struct Case {
    const char* red;
    const char* blue;
    const char* dpi;
    ParameterField field;
    const char* prompt;
  };
  const Case cases[] = {
      {"abc", "0.1", "200", ParameterField::Red, "Please enter a number."},
      {"abc", "x", "200", ParameterField::Blue, "Please enter a number."},  // blue is exchanged first
      {"0.3", "0.1", "2.5", ParameterField::DpiHorizontal, "Please enter an integer."},
      {"0.3", "0.1", "", ParameterField::DpiHorizontal, "Please enter an integer."},
      {"0.3", "0.1", "99999999999", ParameterField::DpiHorizontal, "Please enter an integer."},
      {"nan", "0.1", "200", ParameterField::Red, "Please enter a number between 0 and 1."},
  };
  for (const Case& c : cases) {
    const auto read = OpenEditAndConfirm(Settings{}, [&](ParameterForm& form, ParameterChoices&) {
      form.red = c.red;
      form.blue = c.blue;
      form.dpiHorizontal = c.dpi;
    });
    ASSERT_TRUE(std::holds_alternative<FieldRejection>(read)) << c.red << " " << c.blue << " " << c.dpi;
    EXPECT_EQ(std::get<FieldRejection>(read), (FieldRejection{c.field, c.prompt}));
  }
}

TEST(ParameterChoicesTest, NumbersAreReadInTheCLocaleWithBlanksAndSignsAllowed) {
  const auto read = OpenEditAndConfirm(Settings{}, [](ParameterForm& form, ParameterChoices&) {
    form.red = " 1 ";
    form.green = "+.5";
    form.blue = "0";
    form.threshold = "2e-1";
    form.dpiHorizontal = "-5";
    form.dpiVertical = " +0";
  });
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  const auto& choices = std::get<ParameterChoices>(read);
  EXPECT_FLOAT_EQ(choices.red, 1.0F);
  EXPECT_FLOAT_EQ(choices.green, 0.5F);
  EXPECT_FLOAT_EQ(choices.threshold, 0.2F);
  EXPECT_EQ(choices.dpiHorizontal, -5);
  EXPECT_EQ(choices.dpiVertical, 0);
}

TEST(ParameterChoicesTest, SmartPagingAndTheCorrectionsExcludeEachOther) {
  ParameterChoices choices = ChoicesFromSettings(Settings{});
  ParameterForm form = FormShowing(choices);
  InitialiseForm(form, choices);
  ASSERT_TRUE(form.positionCorrection && form.blackEdge);

  form.smartPaging = true;
  PageOptionClicked(form);
  EXPECT_FALSE(form.positionCorrection);
  EXPECT_FALSE(form.blackEdge);
  EXPECT_TRUE(form.smartPaging);

  form.positionCorrection = true;
  CorrectionClicked(form);
  EXPECT_FALSE(form.smartPaging);
  EXPECT_FALSE(form.curveCorrection);
  EXPECT_FALSE(form.fingerErasing);
  EXPECT_TRUE(form.positionCorrection);

  // Unchecking a page option clears the corrections too.
  form.fingerErasing = false;
  PageOptionClicked(form);
  EXPECT_FALSE(form.positionCorrection);
}

TEST(ParameterChoicesTest, AStoredPageOptionOpensWithBothCorrectionsOffAndOkStoresThemOff) {
  Settings settings;
  settings.smartPaging = 1;
  caps::StoredValues capValues;
  ParameterChoices choices = ChoicesFromSettings(settings);
  ParameterForm form = FormShowing(choices);
  InitialiseForm(form, choices);
  EXPECT_FALSE(form.positionCorrection);
  EXPECT_FALSE(form.blackEdge);
  EXPECT_EQ(choices.correct, 0);
  const auto read = ReadForm(form, choices);
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  StoreChoices(std::get<ParameterChoices>(read), settings, DpiStore(settings, capValues));
  EXPECT_EQ(settings.autoCorrect, 0);
  EXPECT_EQ(settings.autoCrop, 0);
  EXPECT_EQ(settings.smartPaging, 1);
}

TEST(ParameterChoicesTest, TheActualSizeBoxesAreAPairAndRecordTheLastChoice) {
  Settings settings;
  settings.actualSizeA3 = true;
  caps::StoredValues capValues;
  ParameterChoices choices = ChoicesFromSettings(settings);
  ParameterForm form = FormShowing(choices);
  InitialiseForm(form, choices);
  EXPECT_TRUE(form.a3ActualSize);
  EXPECT_FALSE(form.a4ActualSize);

  ChooseA4ActualSize(form, choices);
  EXPECT_FALSE(form.a3ActualSize);
  EXPECT_TRUE(form.a4ActualSize);
  const auto read = ReadForm(form, choices);
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  StoreChoices(std::get<ParameterChoices>(read), settings, DpiStore(settings, capValues));
  EXPECT_FALSE(settings.actualSizeA3);
  EXPECT_EQ(settings.actualSizeChoice, 2);

  ChooseA3ActualSize(form, choices);
  EXPECT_TRUE(form.a3ActualSize && !form.a4ActualSize);
  EXPECT_EQ(choices.sizeChoice, 1);
}

TEST(ParameterChoicesTest, WithoutA3TheA4BoxIsShownChecked) {
  ParameterChoices choices = ChoicesFromSettings(Settings{});
  ParameterForm form = FormShowing(choices);
  InitialiseForm(form, choices);
  EXPECT_FALSE(form.a3ActualSize);
  EXPECT_TRUE(form.a4ActualSize);
}

TEST(ParameterChoicesTest, ANewHorizontalDpiBecomesTheResolutionAndBothDpiValues) {
  Settings settings;
  caps::StoredValues capValues;
  capValues.xResolution = 200.0F;
  const auto read = OpenEditAndConfirm(settings, [](ParameterForm& form, ParameterChoices&) {
    form.dpiHorizontal = "300";
    form.dpiVertical = "150";
  });
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  StoreChoices(std::get<ParameterChoices>(read), settings, DpiStore(settings, capValues));
  EXPECT_EQ(capValues.xResolution, 300.0F);
  EXPECT_EQ(settings.dpiX, 300);
  EXPECT_EQ(settings.dpiY, 300);
}

TEST(ParameterChoicesTest, AnUnchangedHorizontalDpiKeepsTheVerticalOne) {
  Settings settings;
  caps::StoredValues capValues;
  const auto read =
      OpenEditAndConfirm(settings, [](ParameterForm& form, ParameterChoices&) { form.dpiVertical = "150"; });
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  StoreChoices(std::get<ParameterChoices>(read), settings, DpiStore(settings, capValues));
  EXPECT_EQ(settings.dpiX, 200);
  EXPECT_EQ(settings.dpiY, 150);
}

TEST(ParameterChoicesTest, TheWatermarkAndFormatReachTheSettingsAndTheTextKeepsFiftyCharacters) {
  Settings settings;
  caps::StoredValues capValues;
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "档";  // three bytes each
  const auto read = OpenEditAndConfirm(settings, [&](ParameterForm& form, ParameterChoices&) {
    form.watermark = true;
    form.watermarkTime = true;
    form.watermarkText = longText;
    form.imageFormat = 1;
  });
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  StoreChoices(std::get<ParameterChoices>(read), settings, DpiStore(settings, capValues));
  EXPECT_EQ(settings.watermarkOn, 1);
  EXPECT_EQ(settings.watermarkTime, 1);
  EXPECT_EQ(settings.watermarkText, longText.substr(0, 150));
  EXPECT_EQ(settings.fileFormatIndex, 1);
}

TEST(ParameterChoicesTest, ARotationThatNoRadioNamesIsKept) {
  Settings settings;
  settings.faceRotation = 450;
  settings.fileFormatIndex = 9;
  caps::StoredValues capValues;
  const auto read = OpenEditAndConfirm(settings, [](ParameterForm& form, ParameterChoices&) {
    EXPECT_EQ(form.faceRotation, -1);
    EXPECT_EQ(form.imageFormat, -1);
  });
  ASSERT_TRUE(std::holds_alternative<ParameterChoices>(read));
  StoreChoices(std::get<ParameterChoices>(read), settings, DpiStore(settings, capValues));
  EXPECT_EQ(settings.faceRotation, 450);
  EXPECT_EQ(settings.fileFormatIndex, 9);
}

}  // namespace
}  // namespace settings
