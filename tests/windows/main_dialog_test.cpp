// The main scanning dialog under Wine, as a user meets it: an application
// enables the source through Wine's source manager with the virtual camera
// registered, and the test works the real dialog through window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture/media_format.h"
#include "capture/virtual/scene_renderer.h"
#include "child_process.h"
#include "imaging/bmp_file.h"
#include "imaging/colour_mode.h"
#include "registered_camera.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "template_check.h"
#include "twain_application.h"
#include "wine_desktop.h"

namespace {

namespace ids = dialog_ids::main_dialog;

using namespace twain;

// A page laid on the desk and left there: after the first frame every frame
// is the same picture.
constexpr char kScene[] =
    "rate 30\n"
    "format RGB24 640 480\n"
    "current RGB24 640 480\n"
    "page p 210 297 seed 7\n"
    "place p 220 165 3\n"
    "wait 100\n";

constexpr wchar_t kDialogTitle[] = L"Vistrelle Twain V4.1";
constexpr int kMainTemplate = dialog_ids::main_dialog::kTemplate;
constexpr int kPreviewControl = dialog_ids::main_dialog::kPreviewControl;

// Chooses an entry of a list as the user does: the selection, then its notification.
void ChooseListEntry(HWND dialog, int id, const wchar_t* text) {
  HWND list = GetDlgItem(dialog, id);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

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
  // The lists show their selected entries, the up-down's buddy its position,
  // and the ticked radio button ("Default") takes its group's tab stop.
  const auto differences = template_check::CompareWithTemplate(dialog, *table);
  EXPECT_TRUE(template_check::OnlyThese(differences, {{kPreviewControl, "rectangle"},
                                                      {ids::kIntervalList, "enabled"},
                                                      {ids::kImageTypeList, "caption"},
                                                      {ids::kRotationList, "caption"},
                                                      {ids::kResolutionList, "caption"},
                                                      {ids::kPaperList, "caption"},
                                                      {ids::kIntervalList, "caption"},
                                                      {ids::kImageCountEdit, "caption"},
                                                      {ids::kDefaultRadio, "tabstop"}}))
      << ::testing::PrintToString(differences);
  // 4:3 inside the template's area, at (8, 8).
  RECT placed{};
  GetWindowRect(GetDlgItem(dialog, kPreviewControl), &placed);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 8);
  EXPECT_EQ(placed.top, 8);
  // The fitting divides in whole pixels, so the sides keep 4 : 3 within one pixel.
  const long width = placed.right - placed.left;
  const long height = placed.bottom - placed.top;
  EXPECT_GT(width, 0);
  EXPECT_LE(std::labs(width * 3 - height * 4), 3) << width << " x " << height;
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

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

TEST_F(MainDialog, ChoicesMadeInTheDialogReachTheSource) {
  HWND dialog = OpenDialog();
  ASSERT_NE(dialog, nullptr);
  HWND correction = GetDlgItem(dialog, ids::kPositionCorrectionCheck);
  const LRESULT before = SendMessageW(correction, BM_GETCHECK, 0, 0);
  SendMessageW(correction, BM_CLICK, 0, 0);
  EXPECT_NE(SendMessageW(correction, BM_GETCHECK, 0, 0), before);

  HWND imageTypes = GetDlgItem(dialog, ids::kImageTypeList);
  ASSERT_EQ(SendMessageW(imageTypes, CB_GETCOUNT, 0, 0), 4);
  ChooseListEntry(dialog, ids::kImageTypeList, L"8 bit Gray");
  EXPECT_EQ(application_.CurrentValue(ICAP_PIXELTYPE), TWPT_GRAY);
  ChooseListEntry(dialog, ids::kImageTypeList, L"24 bit Color");
  EXPECT_EQ(application_.CurrentValue(ICAP_PIXELTYPE), TWPT_RGB);
  // Put the box back: the settings file keeps it for the next test.
  SendMessageW(correction, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(correction, BM_GETCHECK, 0, 0), before);
}

// twain-acquire in a process of its own, worked by the test as a user works
// the dialog: Scan, Submit, close. Each transfer hands over the picture the
// camera saw.
class AcquireByHand : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  // The dialog of the other process once it is shown.
  static HWND WaitForDialog(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
      HWND dialog = FindWindowW(L"#32770", kDialogTitle);
      if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
      Sleep(50);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
    return nullptr;
  }

  static bool WaitForText(HWND control, const wchar_t* text, DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
      if (wine_desktop::WindowText(control) == text) return true;
      Sleep(50);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
    return false;
  }

  // A click that may take a while: Scan returns once the still is stored.
  static void Click(HWND dialog, int id) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 30000, &ignored);
  }

  static void Untick(HWND dialog, int id) {
    if (SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED) Click(dialog, id);
  }

  // The frame the camera delivers once the page lies still, bottom row first.
  static std::vector<std::uint8_t> SceneFrame(int width, int height) {
    const auto scene = std::make_shared<const capture::Scene>(*capture::ParseScene(kScene).scene);
    std::vector<std::uint8_t> frame;
    capture::SceneRenderer(scene).Render(capture::DeskAt(*scene, 1000), width, height, frame);
    return frame;
  }

  wine_desktop::BoxWatchdog boxes_{{L"MervaleTwain", L"Sample Source Error", L"Tips"}};
};

TEST_P(AcquireByHand, ScanAndSubmitHandTheCamerasPictureToTheApplication) {
  const std::wstring mechanism = GetParam();
  // The memory transfer also takes the grey image type chosen in the dialog.
  const bool grey = mechanism == L"memory";
  const std::wstring folder = wine_desktop::OutputFolder() + L"acquire-" + mechanism;
  CreateDirectoryW(folder.c_str(), nullptr);
  DeleteFileW((folder + L"\\picture1.bmp").c_str());
  wine_desktop::ChildProcess acquire(L"\"" + std::wstring(TWAIN_ACQUIRE_PATH) + L"\" --wait 30000 --mech " + mechanism +
                                     L" --out \"" + folder + L"\"");
  ASSERT_TRUE(acquire.Started());
  HWND dialog = WaitForDialog(20000);
  ASSERT_NE(dialog, nullptr) << acquire.Output();

  // Corrections would crop the page out of the frame: the whole frame is wanted.
  Untick(dialog, ids::kPositionCorrectionCheck);
  Untick(dialog, ids::kBlackEdgeCheck);
  ChooseListEntry(dialog, ids::kImageTypeList, grey ? L"8 bit Gray" : L"24 bit Color");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, ids::kSubmitButton)));
  Click(dialog, 1);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, ids::kSubmitButton))) << "Scan enables Submit";
  Click(dialog, ids::kSubmitButton);
  EXPECT_TRUE(WaitForText(GetDlgItem(dialog, ids::kStatusLine), L"Finish Uploading", 20000));
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(dialog, ids::kSubmitButton)), L"Picture Submitting");
  // The dialog with its picture preview window, for the eye.
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"submitted-" + mechanism + L".bmp");
  SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(acquire.Wait(30000), 0) << acquire.Output();
  EXPECT_NE(acquire.Output().find("received: 1 pictures"), std::string::npos) << acquire.Output();

  std::string path(folder.begin(), folder.end());  // the output folder's name is ASCII
  const imaging::Picture picture = imaging::LoadBmp(path + "\\picture1.bmp");
  ASSERT_EQ(picture.Width(), 640);
  ASSERT_EQ(picture.Height(), 480);
  ASSERT_EQ(picture.BitsPerPixel(), grey ? 8 : 24);
  const std::vector<std::uint8_t> frame = SceneFrame(640, 480);
  int differing = 0;
  for (int y = 0; y < 480; ++y) {
    const std::uint8_t* row = frame.data() + capture::FrameStride(640) * static_cast<std::size_t>(y);
    for (int x = 0; x < 640; ++x) {
      const imaging::Rgb seen{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
      const imaging::Rgb expected =
          grey ? imaging::Rgb{imaging::GreyValue(seen), imaging::GreyValue(seen), imaging::GreyValue(seen)} : seen;
      differing += picture.GetPixel(x, y) != expected;
    }
  }
  EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(EachTransfer, AcquireByHand, ::testing::Values(L"native", L"file", L"memory"),
                         [](const auto& info) {
                           const std::wstring name = info.param;
                           return std::string(name.begin(), name.end());
                         });

}  // namespace
