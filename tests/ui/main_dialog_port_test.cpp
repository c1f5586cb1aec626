// The main dialog against a fake source: what it asks of the source through
// its port, and in which order, for the shots and for the dialog's end.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/posix/headless_host.h"
#include "resources/dialog_ids.h"
#include "ui/fake_source_port.h"
#include "ui/main_dialog.h"

namespace ui_testing {
namespace {

using namespace dialog_ids::main_dialog;

class MainDialogPortTest : public ::testing::Test {
 protected:
  MainDialogPortTest() { platform::headless::Reset(); }
  ~MainDialogPortTest() override {
    dialog.Close();
    platform::headless::Reset();
  }

  platform::headless::Dialog& Open() {
    EXPECT_TRUE(dialog.Open(nullptr));
    port.calls.clear();
    return *platform::headless::FindDialog(kTemplate);
  }

  bool Called(const std::string& call) const {
    return std::find(port.calls.begin(), port.calls.end(), call) != port.calls.end();
  }

  FakeSourcePort port;
  ui::MainDialog dialog{port};
};

TEST_F(MainDialogPortTest, OpeningLoadsTheSettingsStartsTheCameraAndNumbersAfresh) {
  ASSERT_TRUE(dialog.Open(nullptr));
  const std::vector<std::string> expected = {"load settings", "start camera", "restart numbering"};
  EXPECT_EQ(port.calls, expected);
}

TEST_F(MainDialogPortTest, WithoutACameraTheFirstTickAsksTheApplicationToClose) {
  port.cameraFound = false;
  ASSERT_TRUE(dialog.Open(nullptr));
  EXPECT_FALSE(Called("request close"));
  platform::headless::AdvanceClock(1);
  EXPECT_TRUE(Called("request close"));
}

TEST_F(MainDialogPortTest, AnIdCardInColourAndBlackWhiteIsOneUprightIdCardShot) {
  port.values.pixelType = caps::kPixelTypeColourAndBlackWhite;
  port.values.rotationIndex = 2;
  platform::headless::Dialog& window = Open();
  ASSERT_TRUE(window.Click(kIdCardRadio));
  port.calls.clear();
  ASSERT_TRUE(window.Click(kScanButton));
  const std::vector<std::string> expected = {"no crop", "shoot 3 turned 0 ID card"};
  EXPECT_EQ(port.calls, expected);
}

TEST_F(MainDialogPortTest, SubmitWithoutPicturesSubmitsNothing) {
  platform::headless::Dialog& window = Open();
  ASSERT_TRUE(window.Click(kScanButton));
  ASSERT_TRUE(window.Click(kSubmitButton));
  EXPECT_FALSE(Called("submit"));
  ASSERT_FALSE(port.boxes.shown.empty());
  EXPECT_EQ(port.boxes.shown.back().text, "No Pictures!");
}

TEST_F(MainDialogPortTest, SubmitHandsTheListsChoicesOverThenThePictures) {
  platform::headless::Dialog& window = Open();
  port.queue.SetPictureCount(2);
  ASSERT_TRUE(window.Click(kScanButton));
  port.calls.clear();
  ASSERT_TRUE(window.Click(kSubmitButton));
  ASSERT_FALSE(port.calls.empty());
  EXPECT_EQ(port.calls.back(), "submit");
  EXPECT_TRUE(Called("image type 2 24"));
}

TEST_F(MainDialogPortTest, ClosingDiscardsThePicturesAsksToCloseAndKeepsTheSettings) {
  platform::headless::Dialog& window = Open();
  window.SendCommand(ui::kCloseCommand);
  const std::vector<std::string> expected = {"discard", "request close", "commit settings"};
  EXPECT_EQ(port.calls, expected);
}

}  // namespace
}  // namespace ui_testing
