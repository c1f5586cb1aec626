// The main scanning dialog under Wine, as a user meets it: an application
// enables the source through Wine's source manager with the virtual camera
// registered, and the test works the real dialog through window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "registered_camera.h"
#include "resources/dialog_templates.h"
#include "template_check.h"
#include "twain_application.h"
#include "wine_desktop.h"

namespace {

using namespace twain;

// A page lying still on the desk: every frame is the same picture.
constexpr char kScene[] =
    "rate 30\n"
    "format RGB24 640 480\n"
    "current RGB24 640 480\n"
    "page p 210 297 seed 7\n"
    "place p 220 165 0\n"
    "wait 1000\n"
    "loop\n";

constexpr wchar_t kDialogTitle[] = L"Vistrelle Twain V4.1";
constexpr int kMainTemplate = 3010;
constexpr int kPreviewControl = 3013;

const auto* const registeredCamera =
    ::testing::AddGlobalTestEnvironment(new wine_desktop::RegisteredCamera(kScene, MERVALE_CAMERA_PATH));

class MainDialog : public ::testing::Test {
 protected:
  // Opens and enables the source; the dialog, once it has painted.
  HWND OpenDialog() {
    if (!application_.ManagerOpen() || !application_.OpenSource()) return nullptr;
    if (application_.Enable() != TWRC_SUCCESS) return nullptr;
    wine_desktop::Pump(500);
    return FindWindowW(L"#32770", kDialogTitle);
  }

  wine_desktop::TwainApplication application_{"Main dialog test"};
  // No box may hang a test: every one is answered and recorded.
  wine_desktop::BoxWatchdog boxes_{{L"MervaleTwain", L"Sample Source Error", L"Tips"}};
};

TEST_F(MainDialog, OpensFromItsTemplateWithTheCameraInThePreview) {
  HWND dialog = OpenDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), application_.Window());

  const resources::DialogTemplate* table = resources::FindDialogTemplate(kMainTemplate);
  ASSERT_NE(table, nullptr);
  // The dialog's initialisation fits the preview to the camera's proportions
  // and disables the interval list outside timed scanning; all else is the template's.
  const auto differences = template_check::CompareWithTemplate(dialog, *table);
  EXPECT_TRUE(template_check::OnlyThese(differences, {{kPreviewControl, "rectangle"}, {3018, "enabled"}}))
      << ::testing::PrintToString(differences);

  HWND preview = GetDlgItem(dialog, kPreviewControl);
  EXPECT_NE(FindWindowExW(preview, nullptr, nullptr, nullptr), nullptr) << "the video runs in the preview control";
  EXPECT_TRUE(wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"main-dialog.bmp"));
  EXPECT_TRUE(boxes_.Answered().empty());
}

TEST_F(MainDialog, TheCloseBoxAsksTheApplicationToCloseTheSource) {
  HWND dialog = OpenDialog();
  ASSERT_NE(dialog, nullptr);
  SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(application_.WaitFor(MSG_CLOSEDSREQ, 5000));
  EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays until the source is disabled";
  EXPECT_EQ(application_.Disable(), TWRC_SUCCESS);
  EXPECT_EQ(application_.CloseSource(), TWRC_SUCCESS);
  EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
