// Automatic and timed continuous scanning under Wine, as a user meets them:
// twain-acquire enables the installed source with the virtual camera, whose
// desk gets pages laid by hand one on another; the test opens each mode's
// dialog from Scan, runs it, and the application receives every picture.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "child_process.h"
#include "registered_camera.h"
#include "resources/dialog_ids.h"
#include "wine_desktop.h"

namespace {

namespace automatic_ids = dialog_ids::automatic_scanning;
namespace main_ids = dialog_ids::main_dialog;
namespace timed_ids = dialog_ids::timed_scanning;

// Three pages laid by hand after the dialogs have had time to open, each
// resting two seconds; the last one then stays for the timed run.
constexpr char kScene[] =
    "rate 15\n"
    "format RGB24 640 480\n"
    "current RGB24 640 480\n"
    "wait 8000\n"
    "stack sheet 3 220 165 rest 2000\n"
    "wait 600000\n";

constexpr wchar_t kMainTitle[] = L"Vistrelle Twain V4.1";
constexpr wchar_t kAutomaticTitle[] = L"Automatic continuous scanning";
constexpr wchar_t kTimedTitle[] = L"Timed Scanning";

const auto* const registeredCamera =
    ::testing::AddGlobalTestEnvironment(new wine_desktop::RegisteredCamera(kScene, MERVALE_CAMERA_PATH));

using wine_desktop::WaitForText;
using wine_desktop::WaitForWindow;

// A click that returns once the button's handler has.
void Click(HWND dialog, int id) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

// A click on a button whose handler runs a modal dialog: it returns at once.
void ClickOpening(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void ChooseListEntry(HWND dialog, int id, const wchar_t* text) {
  HWND list = GetDlgItem(dialog, id);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

TEST(ContinuousScanning, BothDialogsOpenFromScanRunAndTheApplicationReceivesThePictures) {
  wine_desktop::BoxWatchdog boxes{{L"MervaleTwain", L"Sample Source Error", L"Tips"}};
  const std::wstring folder = wine_desktop::OutputFolder() + L"continuous";
  CreateDirectoryW(folder.c_str(), nullptr);
  wine_desktop::ChildProcess acquire(L"\"" + std::wstring(TWAIN_ACQUIRE_PATH) + L"\" --wait 60000 --out \"" + folder +
                                     L"\"");
  ASSERT_TRUE(acquire.Started());
  HWND dialog = WaitForWindow(kMainTitle, 20000);
  ASSERT_NE(dialog, nullptr) << acquire.Output();

  Click(dialog, main_ids::kAutomaticRadio);
  ClickOpening(dialog, 1);
  HWND automatic = WaitForWindow(kAutomaticTitle, 10000);
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(automatic, automatic_ids::kStatusText)), L"Waitting");
  Click(automatic, automatic_ids::kStartButton);
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(automatic, automatic_ids::kStatusText)), L"Detecting...");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(automatic, automatic_ids::kStartButton)));
  EXPECT_TRUE(WaitForText(GetDlgItem(automatic, automatic_ids::kCountText), L"3", 60000))
      << "three pages laid, three taken";
  Sleep(300);  // the dialogs of the other process repaint
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"automatic-scanning.bmp");
  Click(automatic, automatic_ids::kEndButton);
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(automatic, automatic_ids::kStatusText)), L"Finishing");
  Click(automatic, 2);  // Close
  EXPECT_TRUE(WaitForText(GetDlgItem(dialog, 1), L"Scan", 10000)) << "the run ended with its dialog";

  Click(dialog, main_ids::kTimedRadio);
  ChooseListEntry(dialog, main_ids::kIntervalList, L"02");
  ClickOpening(dialog, 1);
  HWND timed = WaitForWindow(kTimedTitle, 10000);
  ASSERT_NE(timed, nullptr);
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(timed, timed_ids::kIntervalText)), L"2");
  Click(timed, timed_ids::kStartButton);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(timed, timed_ids::kStartButton)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(timed, timed_ids::kPauseButton)));
  EXPECT_TRUE(WaitForText(GetDlgItem(timed, timed_ids::kCountText), L"2", 20000));
  Click(timed, timed_ids::kPauseButton);
  Sleep(300);
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"timed-scanning.bmp");
  Click(timed, 1);  // Close
  EXPECT_TRUE(WaitForText(GetDlgItem(dialog, 1), L"Scan", 10000));

  Click(dialog, main_ids::kSubmitButton);
  EXPECT_TRUE(WaitForText(GetDlgItem(dialog, main_ids::kStatusLine), L"Finish Uploading", 30000));
  SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(acquire.Wait(30000), 0) << acquire.Output();
  EXPECT_NE(acquire.Output().find("received: 5 pictures"), std::string::npos) << acquire.Output();
}

}  // namespace
