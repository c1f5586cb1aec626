// Modal children on the headless host: driven by a test, else cancelled, with
// the owner's timers running on and its input shut off meanwhile.
#include <gtest/gtest.h>

#include "headless/recording_dialog.h"
#include "resources/dialog_ids.h"

namespace ids = dialog_ids::main_dialog;

namespace headless_test {
namespace {

TEST_F(HostTest, ADriverPlaysTheModalChildWhileTheOwnersTimersGoOn) {
  RecordingDialog owner;
  RecordingDialog child;
  child.onCommand = [&](int id, int) { child.Window().EndModal(id == 1 ? 42 : platform::kIdCancel); };
  auto window = Open(owner);
  window->StartTimer(1, 50);
  bool ownerTookClick = true;
  platform::headless::SetModalDriver([&](platform::headless::Dialog& dialog) {
    EXPECT_EQ(dialog.TemplateId(), kTemplate);
    EXPECT_TRUE(dialog.IsVisible());
    ownerTookClick = platform::headless::OpenDialogs().front()->Click(ids::kScanButton);
    platform::headless::AdvanceClock(100);
    dialog.Click(ids::kScanButton);
  });
  EXPECT_EQ(window->RunModal(kTemplate, child), 42);
  EXPECT_FALSE(ownerTookClick);
  EXPECT_EQ(child.Take(), (std::vector<std::string>{"init", "paint", "command 1 0", "destroy"}));
  EXPECT_EQ(owner.Take(), (std::vector<std::string>{"timer 1 at 50", "timer 1 at 100", "paint"}));
  EXPECT_TRUE(platform::headless::TopDialog()->Click(ids::kScanButton)) << "the owner takes input again";
}

TEST_F(HostTest, AnUndrivenModalChildIsCancelledAsTheCloseBoxWould) {
  RecordingDialog owner;
  RecordingDialog child;
  auto window = Open(owner);
  EXPECT_EQ(window->RunModal(kTemplate, child), platform::kIdCancel);
  EXPECT_EQ(child.Take(), (std::vector<std::string>{"init", "paint", "command 2 0", "destroy"}));

  // A child that ends in its initialisation is never shown.
  RecordingDialog quick;
  quick.onInit = [](platform::DialogWindow& dialog) { dialog.EndModal(7); };
  EXPECT_EQ(window->RunModal(kTemplate, quick), 7);
  EXPECT_EQ(quick.Take(), (std::vector<std::string>{"init", "destroy"}));
  EXPECT_EQ(window->RunModal(9999, quick), platform::kIdCancel) << "no such template";
}

}  // namespace
}  // namespace headless_test
