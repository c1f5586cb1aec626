// The scripted user on the host's manual clock: one acting step per turn,
// waits that last that much of the clock, answers for the boxes to come,
// steps for a modal child inside its loop, and mistakes that only report.
#include <gtest/gtest.h>

#include "headless/recording_dialog.h"
#include "platform/posix/scripted_user.h"
#include "platform/posix/user_script.h"

namespace headless_test {
namespace {

using platform::headless::AdvanceClock;
using platform::headless::RunTurn;

void Play(const char* text) {
  platform::headless::UserScript script;
  platform::headless::ScriptError error;
  ASSERT_TRUE(platform::headless::ParseUserScript(text, script, error)) << error.message;
  platform::headless::PlayUserScript(std::move(script));
}

TEST_F(HostTest, TheUserActsOncePerTurnAndWaitsOnTheClock) {
  RecordingDialog events;
  auto window = Open(events);
  Play("click Scan\nanswer no\nfocus 3024\nwait 100\nspace\n");
  RunTurn();
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 1 0"});
  RunTurn();  // the answer and the focus
  EXPECT_EQ(Top().FocusedItem(), 3024);
  RunTurn();  // the wait begins
  AdvanceClock(99);
  RunTurn();
  EXPECT_TRUE(events.Take().empty());
  AdvanceClock(1);
  RunTurn();
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 3024 0"});
  EXPECT_EQ(platform::SystemMessageBoxes().Show({nullptr, "?", "Tips", platform::mb::kYesNo}), platform::mb::kIdNo);
}

TEST_F(HostTest, StepsGoToTheModalChildInsideItsLoopAndTheClockRunsThere) {
  RecordingDialog owner;
  RecordingDialog child;
  child.onCommand = [&](int id, int) {
    if (id == 3000) child.Window().EndModal(5);
  };
  owner.onCommand = [&](int id, int) {
    if (id == 1) {
      EXPECT_EQ(owner.Window().RunModal(kTemplate, child), 5);
    }
  };
  auto window = Open(owner);
  window->StartTimer(9, 40);
  Play("click 1\nwait 100\nclick 3024\nin 3010 click 3000\nclick 3045\n");
  RunTurn();
  EXPECT_EQ(child.Take(), (std::vector<std::string>{"init", "paint", "command 3024 0", "command 3000 0", "destroy"}));
  EXPECT_EQ(owner.Take(), (std::vector<std::string>{"command 1 0", "timer 9 at 40", "timer 9 at 80", "paint"}));
  RunTurn();
  EXPECT_EQ(owner.Take(), std::vector<std::string>{"command 3045 0"});
}

TEST_F(HostTest, AStepThatCannotBePlayedIsReportedAndTheUserGoesOn) {
  RecordingDialog events;
  auto window = Open(events);
  Play("click Nowhere\nclick 3019\nin 3099 click 1\nclick 1\n");
  testing::internal::CaptureStderr();
  for (int turn = 0; turn < 4; ++turn) RunTurn();
  const std::string reports = testing::internal::GetCapturedStderr();
  EXPECT_NE(reports.find("line 1: the dialog has no control \"Nowhere\""), std::string::npos) << reports;
  EXPECT_NE(reports.find("line 2: control 3019 is missing, hidden or disabled"), std::string::npos) << reports;
  EXPECT_NE(reports.find("line 3: no dialog 3099 is open"), std::string::npos) << reports;
  EXPECT_EQ(events.Take(), std::vector<std::string>{"command 1 0"});
}

TEST_F(HostTest, AModalChildLeftOpenWhenTheScriptEndsIsCancelled) {
  RecordingDialog owner;
  RecordingDialog child;
  int result = 0;
  owner.onCommand = [&](int id, int) {
    if (id == 1) result = owner.Window().RunModal(kTemplate, child);
  };
  auto window = Open(owner);
  Play("click 1\nwait 50\n");
  RunTurn();
  EXPECT_EQ(result, platform::kIdCancel);
  EXPECT_EQ(child.Take(), (std::vector<std::string>{"init", "paint", "command 2 0", "destroy"}));
}

TEST(ScriptedUserFile, AnUnreadableScriptIsReportedAndNotPlayed) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(platform::headless::LoadUserScript("/nonexistent/user.txt"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "scripted user: cannot read /nonexistent/user.txt; no user plays\n");
}

}  // namespace
}  // namespace headless_test
