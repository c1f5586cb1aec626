// The user's mouse, keys and focus on the headless host, and the events an
// application routes to a dialog.
#include <gtest/gtest.h>

#include "headless/recording_dialog.h"
#include "resources/dialog_ids.h"

namespace ids = dialog_ids::main_dialog;

namespace headless_test {
namespace {

using platform::kMouseControl;
using platform::kMouseLeftButton;
using platform::Point;

TEST_F(HostTest, MouseReachesTheDialogOnlyWhereNoControlTakesIt) {
  RecordingDialog events;
  auto window = Open(events);
  auto& dialog = Top();
  dialog.MouseMove({100, 100}, 0);                  // over the disabled preview
  dialog.MouseMove({450, 460}, kMouseLeftButton);   // over "Scan"
  dialog.MouseMove({-1, 10}, 0);                    // outside the client area
  dialog.LeftButtonDown({30, 40}, kMouseControl);   // the button flag is added
  dialog.LeftButtonUp({30, 40}, kMouseLeftButton);  // and taken away
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"move 0 100,100", "down 9 30,40", "up 0 30,40"}));
}

TEST_F(HostTest, ADragMovesInSmallStepsWithTheLeftButtonHeld) {
  RecordingDialog events;
  auto window = Open(events);
  Top().Drag({10, 10}, {30, 14}, 0);
  EXPECT_EQ(events.Take(),
            (std::vector<std::string>{"down 1 10,10", "move 1 16,11", "move 1 23,12", "move 1 30,14", "up 0 30,14"}));
}

TEST_F(HostTest, FocusStartsOnTheFirstTabStopAndLeavesAControlThatIsDisabled) {
  RecordingDialog events;
  auto window = Open(events);
  auto& dialog = Top();
  EXPECT_EQ(dialog.FocusedItem(), 3006);
  EXPECT_FALSE(dialog.Focus(ids::kSubmitButton)) << "disabled";
  dialog.EnableItem(ids::kSubmitButton, true);
  EXPECT_TRUE(dialog.Focus(ids::kSubmitButton));
  dialog.EnableItem(ids::kSubmitButton, false);
  EXPECT_EQ(dialog.FocusedItem(), std::nullopt);
}

TEST_F(HostTest, SpaceRunsTheHookThenPressesTheFocusedButton) {
  RecordingDialog events;
  auto window = Open(events);
  auto& dialog = Top();
  std::vector<std::uintptr_t> hooked;
  bool handled = false;
  platform::headless::SetKeyDownHook([&](std::uintptr_t key) {
    hooked.push_back(key);
    window->SendCommand(ids::kScanButton);
    return handled;
  });

  dialog.Focus(ids::kPositionCorrectionCheck);
  dialog.PressSpace();
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"command 1 0", "command 3024 0"}));
  EXPECT_TRUE(dialog.IsChecked(ids::kPositionCorrectionCheck));

  handled = true;  // a handled key goes no further
  dialog.PressSpace();
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 1 0"});

  // With the focus on a list nothing more happens; on the dialog itself it gets the key and its character.
  handled = false;
  dialog.Focus(ids::kImageTypeList);
  dialog.PressSpace();
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 1 0"});
  dialog.EnableItem(ids::kSubmitButton, true);
  dialog.Focus(ids::kSubmitButton);
  dialog.EnableItem(ids::kSubmitButton, false);
  dialog.PressSpace();
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"command 1 0", "keydown 32", "char 32"}));
  EXPECT_EQ(hooked, std::vector<std::uintptr_t>(4, platform::kVkSpace));
  platform::headless::SetKeyDownHook({});
}

TEST_F(HostTest, RoutedEventsForTheDialogAreConsumedAndDelivered) {
  RecordingDialog events;
  auto window = Open(events);
  auto& dialog = Top();
  auto& system = platform::SystemDialogs();
  platform::WindowMessage command{dialog.ItemHandle(ids::kSettingsButton), platform::kWmCommand, 3000u | (0u << 16), 0};
  EXPECT_TRUE(system.RouteEvent(dialog, &command));
  platform::WindowMessage keyToDialog{dialog.Handle(), platform::kWmKeyDown, 'A', 0};
  EXPECT_TRUE(system.RouteEvent(dialog, &keyToDialog));
  platform::WindowMessage keyToButton{dialog.ItemHandle(ids::kScanButton), platform::kWmChar, 'a', 0};
  EXPECT_TRUE(system.RouteEvent(dialog, &keyToButton));
  int elsewhere = 0;
  platform::WindowMessage idle{&elsewhere, platform::kWmNull, 0, 0};
  EXPECT_FALSE(system.RouteEvent(dialog, &idle));
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"command 3000 0", "keydown 65"}));
}

}  // namespace
}  // namespace headless_test
