// The parameter settings, video format and picture preview dialogs under
// Wine, as a user meets them: twain-acquire enables the installed source
// with the virtual camera registered, and the test works the real dialogs
// through window messages, then checks what the application received.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "child_process.h"
#include "imaging/bmp_file.h"
#include "registered_camera.h"
#include "resources/dialog_ids.h"
#include "wine_desktop.h"

namespace {

namespace format_ids = dialog_ids::property;
namespace main_ids = dialog_ids::main_dialog;
namespace preview_ids = dialog_ids::picture_preview;
namespace settings_ids = dialog_ids::parameter_settings;

// A page at rest on the desk; the camera offers two sizes.
constexpr char kScene[] =
    "rate 30\n"
    "format RGB24 640 480\n"
    "format RGB24 320 240\n"
    "current RGB24 640 480\n"
    "page p 210 297 seed 7\n"
    "place p 220 165 3\n"
    "wait 100\n";

const auto* const registeredCamera =
    ::testing::AddGlobalTestEnvironment(new wine_desktop::RegisteredCamera(kScene, MERVALE_CAMERA_PATH));

constexpr wchar_t kMainTitle[] = L"Vistrelle Twain V4.1";

using wine_desktop::WaitForText;
using wine_desktop::WaitForWindow;

bool WaitGone(HWND window, DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    Sleep(50);
  }
  return true;
}

// A screenshot once the windows have had time to paint.
void Screenshot(const wchar_t* name) {
  Sleep(300);
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + name);
}

// A click that returns once the other process has handled it.
void Click(HWND dialog, int id) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

// A click on a button that opens a modal dialog: it returns only when that closes.
void ClickOpening(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Untick(HWND dialog, int id) {
  if (SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED) Click(dialog, id);
}

// The text of an edit field of another process, which GetWindowText does not ask for.
std::wstring EditText(HWND dialog, int id) {
  wchar_t text[64] = {};
  SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  return text;
}

void SetText(HWND dialog, int id, const wchar_t* text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::wstring ListEntry(HWND dialog, int id, LRESULT index) {
  wchar_t text[128] = {};
  if (SendMessageW(GetDlgItem(dialog, id), CB_GETLBTEXTLEN, index, 0) < 127) {
    SendMessageW(GetDlgItem(dialog, id), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  }
  return text;
}

void ChooseListEntry(HWND dialog, int id, const wchar_t* text) {
  HWND list = GetDlgItem(dialog, id);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

TEST(SatelliteDialogs, SettingsFormatAndPreviewWorkAndTheApplicationReceivesWhatThePreviewShowed) {
  wine_desktop::BoxWatchdog boxes({L"MervaleTwain", L"Sample Source Error", L"Tips"});
  const std::wstring folder = wine_desktop::OutputFolder() + L"satellites";
  CreateDirectoryW(folder.c_str(), nullptr);
  DeleteFileW((folder + L"\\picture1.bmp").c_str());
  DeleteFileW((folder + L"\\picture2.bmp").c_str());
  wine_desktop::ChildProcess acquire(L"\"" + std::wstring(TWAIN_ACQUIRE_PATH) + L"\" --wait 60000 --out \"" + folder +
                                     L"\"");
  ASSERT_TRUE(acquire.Started());
  HWND main = WaitForWindow(kMainTitle, 20000);
  ASSERT_NE(main, nullptr) << acquire.Output();
  // Corrections would crop the page out of the frame: the whole frame is wanted.
  Untick(main, main_ids::kPositionCorrectionCheck);
  Untick(main, main_ids::kBlackEdgeCheck);

  // Settings: a coefficient out of range is refused and the dialog stays.
  ClickOpening(main, main_ids::kSettingsButton);
  HWND settings = WaitForWindow(L"Parameter Settings", 10000);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(EditText(settings, settings_ids::kRedEdit), L"0.3");
  Screenshot(L"parameter-settings.bmp");
  SetText(settings, settings_ids::kRedEdit, L"1.5");
  Click(settings, 1);
  wine_desktop::Pump(500);
  EXPECT_TRUE(IsWindowVisible(settings)) << "the dialog stays open";
  SetText(settings, settings_ids::kRedEdit, L"0.3");

  // Video PIN settings: the camera's formats, and a restart in the smaller one.
  ClickOpening(settings, settings_ids::kVideoPinButton);
  HWND format = WaitForWindow(L"Property", 10000);
  ASSERT_NE(format, nullptr);
  ASSERT_EQ(SendMessageW(GetDlgItem(format, format_ids::kFormatList), CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(ListEntry(format, format_ids::kFormatList, 0), L"RGB24");
  ASSERT_EQ(SendMessageW(GetDlgItem(format, format_ids::kSizeList), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(EditText(format, format_ids::kFrameRateEdit), L"30");
  Screenshot(L"video-format.bmp");
  ChooseListEntry(format, format_ids::kSizeList, L" 320 x 240 ");
  Click(format, 1);
  EXPECT_TRUE(WaitGone(format, 10000));

  // OK stores the rest.
  SetText(settings, settings_ids::kDpiHorizontalEdit, L"300");
  Click(settings, 1);
  EXPECT_TRUE(WaitGone(settings, 10000));

  // Two shots; the preview shows each at once at the top right.
  Click(main, 1);
  HWND preview = WaitForWindow(L"Picture Preview", 10000);
  ASSERT_NE(preview, nullptr);
  EXPECT_NE(GetWindowLongW(preview, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT place{};
  GetWindowRect(preview, &place);
  EXPECT_EQ(place.top, 25);
  EXPECT_EQ(place.right, GetSystemMetrics(SM_CXSCREEN) - 10);
  Click(main, 1);
  EXPECT_TRUE(WaitForText(GetDlgItem(preview, preview_ids::kOpenButton), L"2/2", 5000));
  Screenshot(L"picture-preview.bmp");

  // The second turned, the first deleted: the application gets one turned picture.
  Click(preview, preview_ids::kRightButton);
  Click(preview, preview_ids::kLastButton);
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(preview, preview_ids::kOpenButton)), L"1/2");
  Click(preview, preview_ids::kDeleteButton);
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(preview, preview_ids::kOpenButton)), L"1/1");
  Screenshot(L"picture-preview-turned.bmp");

  Click(main, main_ids::kSubmitButton);
  EXPECT_TRUE(WaitForText(GetDlgItem(main, main_ids::kStatusLine), L"Finish Uploading", 20000));
  SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(acquire.Wait(30000), 0) << acquire.Output();
  EXPECT_NE(acquire.Output().find("received: 1 pictures"), std::string::npos) << acquire.Output();
  std::string path(folder.begin(), folder.end());  // the output folder's name is ASCII
  const imaging::Picture picture = imaging::LoadBmp(path + "\\picture1.bmp");
  EXPECT_EQ(picture.Width(), 240) << "the restarted camera's 320 x 240, turned";
  EXPECT_EQ(picture.Height(), 320);

  // The one box: the refused coefficient.
  const auto answered = boxes.Answered();
  for (const auto& box : answered) std::wcerr << L"box: " << box.caption << L": " << box.text << L"\n";
  ASSERT_EQ(answered.size(), 1U);
  EXPECT_EQ(answered[0].text, L"Please enter a number between 0 and 1.");
}

}  // namespace
