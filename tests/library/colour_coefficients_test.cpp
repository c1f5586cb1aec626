// The frame callback keeps the black-and-white coefficients and threshold of
// the settings: the saved ones when the camera starts, the ones the user
// confirms in the parameter dialog as soon as they are committed.
#include <gtest/gtest.h>

#include "capture/sample_grabber_cb.h"
#include "ui/main_dialog_fixture.h"

namespace ui_testing {
namespace {

namespace settings_ids = dialog_ids::parameter_settings;

void ExpectCoefficients(const capture::ColourCoefficients& kept, float red, float green, float blue, float threshold) {
  EXPECT_FLOAT_EQ(kept.red, red);
  EXPECT_FLOAT_EQ(kept.green, green);
  EXPECT_FLOAT_EQ(kept.blue, blue);
  EXPECT_FLOAT_EQ(kept.threshold, threshold);
}

using ColourCoefficientsTest = MainDialogTest;

TEST_F(ColourCoefficientsTest, TheCameraStartsWithTheSavedCoefficientsAndTakesTheOnesTheUserConfirms) {
  SavedSettings().coefRed = 0.25;
  SavedSettings().coefGreen = 0.625;
  SavedSettings().coefBlue = 0.125;
  SavedSettings().bwThreshold = 0.375;
  SaveSettings();
  Enable();
  ExpectCoefficients(source->Camera().GetColourCoefficients(), 0.25f, 0.625f, 0.125f, 0.375f);

  platform::headless::SetModalDriver([](platform::headless::Dialog& parameters) {
    ASSERT_EQ(parameters.TemplateId(), settings_ids::kTemplate);
    parameters.Type(settings_ids::kRedEdit, "0.5");
    parameters.Type(settings_ids::kGreenEdit, "0.25");
    parameters.Type(settings_ids::kBlueEdit, "0.25");
    parameters.Type(settings_ids::kThresholdEdit, "0.75");
    parameters.Click(settings_ids::kOkButton);
  });
  ASSERT_TRUE(Dialog().Click(dialog_ids::main_dialog::kSettingsButton));
  ExpectCoefficients(source->Camera().GetColourCoefficients(), 0.5f, 0.25f, 0.25f, 0.75f);

  // Cancel commits nothing: the callback keeps what was confirmed last.
  platform::headless::SetModalDriver([](platform::headless::Dialog& parameters) {
    parameters.Type(settings_ids::kRedEdit, "0.1");
    parameters.Click(settings_ids::kCancelButton);
  });
  ASSERT_TRUE(Dialog().Click(dialog_ids::main_dialog::kSettingsButton));
  ExpectCoefficients(source->Camera().GetColourCoefficients(), 0.5f, 0.25f, 0.25f, 0.75f);
}

}  // namespace
}  // namespace ui_testing
