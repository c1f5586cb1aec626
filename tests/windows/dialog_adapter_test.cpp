// The Win32 dialog adapter under Wine, on the real dialogs: this program
// carries the library's dialog resources itself, so the adapter finds the
// templates in it as it finds them in the data source.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "template_check.h"
#include "ui/main_dialog_timers.h"
#include "wine_desktop.h"

namespace {

namespace ids = dialog_ids::main_dialog;

using platform::DialogWindow;
using platform::Point;

constexpr int kMainDialog = dialog_ids::main_dialog::kTemplate;
constexpr int kTimedDialog = dialog_ids::timed_scanning::kTemplate;
constexpr int kPreviewDialog = dialog_ids::picture_preview::kTemplate;
constexpr int kSystemTemplates[] = {kMainDialog,
                                    dialog_ids::parameter_settings::kTemplate,
                                    kPreviewDialog,
                                    dialog_ids::automatic_scanning::kTemplate,
                                    dialog_ids::property::kTemplate,
                                    kTimedDialog};

struct MouseEvent {
  UINT message;
  unsigned keys;
  Point at;
  friend bool operator==(const MouseEvent&, const MouseEvent&) = default;
};

class RecordingEvents final : public platform::DialogEvents {
 public:
  void OnInit(DialogWindow& window) override {
    ++inits;
    if (onInit) onInit(window);
  }
  void OnCommand(int controlId, int notification) override { commands.emplace_back(controlId, notification); }
  void OnTimer(int timerId) override {
    timers.push_back(timerId);
    if (onTimer) onTimer(timerId);
  }
  void OnPaint() override { ++paints; }
  void OnMouseMove(unsigned keys, Point at) override { mouse.push_back({WM_MOUSEMOVE, keys, at}); }
  void OnLeftButtonDown(unsigned keys, Point at) override { mouse.push_back({WM_LBUTTONDOWN, keys, at}); }
  void OnLeftButtonUp(unsigned keys, Point at) override { mouse.push_back({WM_LBUTTONUP, keys, at}); }
  void OnKey(std::uint32_t message, std::uintptr_t key) override { keys.emplace_back(message, key); }
  void OnDestroy() override { ++destroys; }

  std::function<void(DialogWindow&)> onInit;
  std::function<void(int)> onTimer;
  int inits = 0;
  int paints = 0;
  int destroys = 0;
  std::vector<std::pair<int, int>> commands;
  std::vector<int> timers;
  std::vector<MouseEvent> mouse;
  std::vector<std::pair<std::uint32_t, std::uintptr_t>> keys;
};

class DialogAdapter : public ::testing::Test {
 protected:
  void Open(int templateId, HWND owner = nullptr) {
    window_ = platform::SystemDialogs().CreateModeless(templateId, events_, owner);
    ASSERT_NE(window_, nullptr);
    dialog_ = static_cast<HWND>(window_->Handle());
  }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  // The commands that came as clicks, without the controls' other notifications.
  std::vector<std::pair<int, int>> Clicks() const {
    std::vector<std::pair<int, int>> clicks;
    for (const auto& command : events_.commands) {
      if (command.second == platform::kButtonClicked) clicks.push_back(command);
    }
    return clicks;
  }

  RecordingEvents events_;
  std::unique_ptr<DialogWindow> window_;
  HWND dialog_ = nullptr;
};

TEST_F(DialogAdapter, EveryTemplateOfTheSystemIsTheDialogItsTableDescribes) {
  for (const int templateId : kSystemTemplates) {
    SCOPED_TRACE(templateId);
    const resources::DialogTemplate* table = resources::FindDialogTemplate(templateId);
    ASSERT_NE(table, nullptr);
    RecordingEvents events;
    auto window = platform::SystemDialogs().CreateModeless(templateId, events, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(events.inits, 1);
    EXPECT_EQ(window->Title(), table->title);
    HWND dialog = static_cast<HWND>(window->Handle());
    const auto differences = template_check::CompareWithTemplate(dialog, *table);
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);

    // A picture of each dialog for the eye, next to the others of the run.
    SetWindowPos(dialog, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window->Show();
    wine_desktop::Pump(300);
    wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"dialog-" + std::to_wstring(templateId) + L".bmp");
    window.reset();
    EXPECT_EQ(events.destroys, 1);
    EXPECT_FALSE(IsWindow(dialog));
  }
  EXPECT_EQ(resources::FindDialogTemplate(4242), nullptr);
}

TEST_F(DialogAdapter, CommandsTimersPaintMouseAndKeysReachTheDialogsEvents) {
  Open(kMainDialog);
  window_->Show();
  wine_desktop::Pump(100);
  EXPECT_GT(events_.paints, 0);

  SendMessageW(Item(ids::kPositionCorrectionCheck), BM_CLICK, 0, 0);
  window_->SendCommand(ids::kSettingsButton);
  const std::vector<std::pair<int, int>> clicks = {{ids::kPositionCorrectionCheck, platform::kButtonClicked},
                                                   {ids::kSettingsButton, platform::kButtonClicked}};
  EXPECT_EQ(Clicks(), clicks);
  EXPECT_TRUE(window_->IsChecked(ids::kPositionCorrectionCheck));
  // Notifications come with their codes (a combo box's focus, here).
  const auto focusNotes =
      std::count(events_.commands.begin(), events_.commands.end(), std::pair(ids::kImageTypeList, CBN_KILLFOCUS));
  EXPECT_EQ(focusNotes, 1);

  // Positions left of and above the client area arrive negative.
  events_.mouse.clear();  // the pointer itself may have moved over the dialog
  SendMessageW(dialog_, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(-5, 300));
  SendMessageW(dialog_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, -2));
  SendMessageW(dialog_, WM_LBUTTONUP, 0, MAKELPARAM(41, 42));
  const std::vector<MouseEvent> expectedMouse = {
      {WM_MOUSEMOVE, platform::kMouseLeftButton | platform::kMouseShift, {-5, 300}},
      {WM_LBUTTONDOWN, platform::kMouseLeftButton, {40, -2}},
      {WM_LBUTTONUP, 0, {41, 42}}};
  EXPECT_EQ(events_.mouse, expectedMouse);

  SendMessageW(dialog_, WM_KEYDOWN, 'A', 0);
  SendMessageW(dialog_, WM_CHAR, 'a', 0);
  SendMessageW(Item(ids::kImageCountEdit), WM_KEYDOWN, 'B', 0);  // a control's own key is not the dialog's
  const std::vector<std::pair<std::uint32_t, std::uintptr_t>> expectedKeys = {{WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}};
  EXPECT_EQ(events_.keys, expectedKeys);

  window_->StartTimer(7, 10);
  wine_desktop::Pump(120);
  window_->StopTimer(7);
  ASSERT_FALSE(events_.timers.empty());
  EXPECT_EQ(events_.timers.front(), 7);
  const std::size_t ticks = events_.timers.size();
  wine_desktop::Pump(60);
  EXPECT_EQ(events_.timers.size(), ticks) << "a stopped timer does not tick";
}

TEST_F(DialogAdapter, TheCloseBoxAndEscapeAreTheCancelCommand) {
  Open(kMainDialog);
  window_->Show();
  SendMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
  wine_desktop::Pump(50);
  const std::vector<std::pair<int, int>> cancel = {{platform::kIdCancel, platform::kButtonClicked}};
  EXPECT_EQ(Clicks(), cancel);
  EXPECT_TRUE(IsWindow(dialog_)) << "closing is the dialog's decision";

  // Esc reaches the dialog through the application's event routing.
  events_.commands.clear();
  MSG escape{Item(ids::kImageTypeList), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_TRUE(platform::SystemDialogs().RouteEvent(*window_, &escape));
  EXPECT_EQ(Clicks(), cancel);
  MSG foreign{nullptr, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_FALSE(platform::SystemDialogs().RouteEvent(*window_, &foreign));
}

TEST_F(DialogAdapter, ControlsTextsChecksAndStates) {
  Open(kMainDialog);
  EXPECT_TRUE(window_->HasItem(ids::kPreviewControl));
  EXPECT_FALSE(window_->HasItem(4242));
  EXPECT_EQ(window_->ItemHandle(ids::kPreviewControl), Item(ids::kPreviewControl));
  EXPECT_EQ(window_->ItemText(ids::kVideoParametersButton), "视频参数设置");
  window_->SetItemText(ids::kStatusLine, "Finish Uploading · 完成");
  EXPECT_EQ(wine_desktop::WindowText(Item(ids::kStatusLine)), L"Finish Uploading · 完成");
  EXPECT_EQ(window_->ItemText(ids::kStatusLine), "Finish Uploading · 完成");

  EXPECT_FALSE(window_->IsItemEnabled(ids::kSubmitButton));
  window_->EnableItem(ids::kSubmitButton, true);
  EXPECT_TRUE(IsWindowEnabled(Item(ids::kSubmitButton)));
  EXPECT_TRUE(window_->IsItemVisible(ids::kSubmitButton)) << "the control's own style counts, not the hidden dialog's";
  EXPECT_FALSE(window_->IsItemVisible(ids::kHiddenAutomaticRadio));

  // One radio group: ticking one unticks the others.
  window_->SetChecked(ids::kDefaultRadio, true);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, ids::kDefaultRadio), BST_CHECKED);
  SendMessageW(Item(ids::kAutomaticRadio), BM_CLICK, 0, 0);
  EXPECT_TRUE(window_->IsChecked(ids::kAutomaticRadio));
  EXPECT_FALSE(window_->IsChecked(ids::kDefaultRadio));
  window_->SetChecked(ids::kAutomaticRadio, false);
  EXPECT_FALSE(window_->IsChecked(ids::kAutomaticRadio));
}

TEST_F(DialogAdapter, ListsKeepTextDataAndSelection) {
  Open(kMainDialog);
  EXPECT_EQ(window_->AddListEntry(ids::kImageTypeList, "1 bit B&W", 0), 0);
  EXPECT_EQ(window_->AddListEntry(ids::kImageTypeList, "8 bit Gray", 1 | (8 << 16)), 1);
  const std::intptr_t wide = static_cast<std::intptr_t>(sizeof(void*) == 8 ? 0x123456789ALL : 0x12345678);
  EXPECT_EQ(window_->AddListEntry(ids::kImageTypeList, "视频 24", wide), 2);
  EXPECT_EQ(window_->ListEntryCount(ids::kImageTypeList), 3);
  EXPECT_EQ(window_->ListEntryText(ids::kImageTypeList, 2), "视频 24");
  EXPECT_EQ(window_->ListEntryText(ids::kImageTypeList, 7), "");
  EXPECT_EQ(window_->ListEntryData(ids::kImageTypeList, 1), 1 | (8 << 16));
  EXPECT_EQ(window_->ListEntryData(ids::kImageTypeList, 2), wide);
  EXPECT_EQ(window_->SelectedListEntry(ids::kImageTypeList), -1);

  window_->SelectListEntry(ids::kImageTypeList, 1);
  EXPECT_EQ(SendMessageW(Item(ids::kImageTypeList), CB_GETCURSEL, 0, 0), 1);
  // A selection the user makes is read back the same way.
  SendMessageW(Item(ids::kImageTypeList), CB_SETCURSEL, 2, 0);
  EXPECT_EQ(window_->SelectedListEntry(ids::kImageTypeList), 2);

  // The sorted interval list inserts in order and gives the entry's place.
  EXPECT_EQ(window_->AddListEntry(ids::kIntervalList, "05", 5), 0);
  EXPECT_EQ(window_->AddListEntry(ids::kIntervalList, "01", 1), 0);
  EXPECT_EQ(window_->ListEntryText(ids::kIntervalList, 1), "05");
  EXPECT_EQ(window_->ListEntryData(ids::kIntervalList, 1), 5);

  window_->ClearList(ids::kImageTypeList);
  EXPECT_EQ(window_->ListEntryCount(ids::kImageTypeList), 0);
  EXPECT_EQ(window_->SelectedListEntry(ids::kImageTypeList), -1);
  EXPECT_EQ(window_->AddListEntry(4242, "nowhere", 0), -1);
}

TEST_F(DialogAdapter, UpDownRangeAndPositionReachTheControlAndItsBuddy) {
  Open(kMainDialog);
  window_->SetUpDownRange(ids::kImageCountUpDown, 1, 25);
  window_->SetUpDownPosition(ids::kImageCountUpDown, 7);
  int low = 0, high = 0;
  SendMessageW(Item(ids::kImageCountUpDown), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
               reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, 1);
  EXPECT_EQ(high, 25);
  EXPECT_EQ(SendMessageW(Item(ids::kImageCountUpDown), UDM_GETPOS32, 0, 0), 7);
  EXPECT_EQ(window_->ItemText(ids::kImageCountEdit), "7");
}

TEST_F(DialogAdapter, GeometryInClientAndScreenCoordinates) {
  Open(kMainDialog);
  SetWindowPos(dialog_, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  window_->MoveItem(ids::kPreviewControl, {8, 8, 488, 368}, false);
  const Point topLeft = window_->ClientToScreen({8, 8});
  EXPECT_EQ(window_->ItemScreenRect(ids::kPreviewControl),
            (platform::Rect{topLeft.x, topLeft.y, topLeft.x + 480, topLeft.y + 360}));
  EXPECT_GT(topLeft.x, 30);
  EXPECT_GT(topLeft.y, 40);
  EXPECT_EQ(window_->ScreenToClient(topLeft), (Point{8, 8}));
  EXPECT_EQ(window_->ScreenToClient({0, 0}), (Point{8 - topLeft.x, 8 - topLeft.y}));
}

TEST_F(DialogAdapter, IconTopmostAndCursor) {
  Open(kMainDialog);
  window_->SetIcon(ui::kDialogIcon);
  EXPECT_NE(SendMessageW(dialog_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(dialog_, WM_GETICON, ICON_SMALL, 0), 0);

  SetWindowPos(dialog_, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT before{};
  GetWindowRect(dialog_, &before);
  window_->MakeTopmost();
  EXPECT_NE(GetWindowLongW(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT after{};
  GetWindowRect(dialog_, &after);
  EXPECT_TRUE(EqualRect(&before, &after));

  window_->SetCursor(platform::Cursor::Hand);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  window_->SetCursor(platform::Cursor::SizeNwSe);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZENWSE));
  window_->SetCursor(platform::Cursor::Arrow);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(DialogAdapter, TheCanvasDrawsOnTheDialogWindow) {
  Open(kMainDialog);
  SetWindowPos(dialog_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
  window_->Show();
  wine_desktop::Pump(200);
  const COLORREF magenta = RGB(255, 0, 255);
  {
    auto canvas = window_->Draw();
    ASSERT_NE(canvas, nullptr);
    const Point line[] = {{20, 20}, {120, 20}, {120, 60}};
    canvas->Polyline(line, {255, 0, 255}, 1);
    canvas->Rectangle({200, 20, 260, 60}, {0, 0, 255}, 3);
    platform::FontRequest arial{-13, 400, false, 0, 0, "Arial"};
    EXPECT_TRUE(canvas->Text({20, 80}, "Front", arial, {255, 0, 255}));
    platform::FontRequest banner{14, 300, true, 0, 0x11, "Times New Roman"};
    EXPECT_TRUE(canvas->CentredText({20, 120, 220, 150}, "Mervale Imaging", banner, {0, 128, 0}));
  }
  HDC context = GetDC(dialog_);
  EXPECT_EQ(GetPixel(context, 60, 20), magenta);
  EXPECT_EQ(GetPixel(context, 120, 40), magenta);
  EXPECT_EQ(GetPixel(context, 201, 40), RGB(0, 0, 255));
  // The inside is filled with the context's brush (a fresh context's is white).
  EXPECT_EQ(GetPixel(context, 230, 40), RGB(255, 255, 255));
  const auto colouredPixels = [context](RECT area, COLORREF colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) count += GetPixel(context, x, y) == colour;
    }
    return count;
  };
  EXPECT_GT(colouredPixels({20, 80, 80, 100}, magenta), 0);
  // Centred: the banner's pixels lie around the middle, none at the rectangle's ends.
  EXPECT_GT(colouredPixels({100, 120, 140, 150}, RGB(0, 128, 0)), 0);
  EXPECT_EQ(colouredPixels({20, 120, 30, 150}, RGB(0, 128, 0)), 0);
  ReleaseDC(dialog_, context);
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"dialog-canvas.bmp");
}

TEST_F(DialogAdapter, AModalChildRunsUntilItsEndModalAndIsOwnedByTheDialog) {
  Open(kMainDialog);
  window_->Show();
  RecordingEvents child;
  HWND childOwner = nullptr;
  bool childVisible = false;
  DialogWindow* modalWindow = nullptr;
  child.onInit = [&](DialogWindow& modal) {
    modalWindow = &modal;
    childOwner = GetWindow(static_cast<HWND>(modal.Handle()), GW_OWNER);
    modal.StartTimer(1, 20);
  };
  child.onTimer = [&](int) {
    // The modal loop shows the dialog once its queue is first empty: a few ticks in.
    if (child.timers.size() < 5) return;
    childVisible = IsWindowVisible(static_cast<HWND>(modalWindow->Handle())) != FALSE;
    modalWindow->StopTimer(1);
    modalWindow->EndModal(platform::kIdOk);
  };
  EXPECT_EQ(window_->RunModal(kTimedDialog, child), platform::kIdOk);
  EXPECT_EQ(child.inits, 1);
  EXPECT_EQ(child.destroys, 1);
  EXPECT_EQ(childOwner, dialog_);
  EXPECT_TRUE(childVisible);
  EXPECT_EQ(FindWindowW(L"#32770", L"Timed Scanning"), nullptr);

  RecordingEvents never;
  EXPECT_EQ(window_->RunModal(4242, never), platform::kIdCancel);
  EXPECT_EQ(never.inits, 0);
}

TEST_F(DialogAdapter, AWindowDestroyedWithItsOwnerIsNotDestroyedAgain) {
  HWND owner =
      CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  Open(kPreviewDialog, owner);
  EXPECT_EQ(GetWindow(dialog_, GW_OWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(dialog_));
  EXPECT_EQ(events_.destroys, 1);
  EXPECT_EQ(window_->Handle(), nullptr);
  window_.reset();
  EXPECT_EQ(events_.destroys, 1);
}

}  // namespace
