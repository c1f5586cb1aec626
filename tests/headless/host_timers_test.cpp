// The host's clock: window timers fire in time order as tests advance it,
// and handlers may change timers and run modal dialogs while it ticks.
#include <gtest/gtest.h>

#include "headless/recording_dialog.h"

namespace headless_test {
namespace {

using platform::headless::AdvanceClock;
using platform::headless::Now;

TEST_F(HostTest, TimersFireEveryPeriodInTimeOrder) {
  RecordingDialog events;
  auto window = Open(events);
  int fiveMs = 0;
  events.onTimer = [&](int id) { fiveMs += id == 5; };
  window->StartTimer(5, 5);
  window->StartTimer(1, 50);
  AdvanceClock(1000);
  EXPECT_EQ(fiveMs, 200);
  EXPECT_EQ(Now(), 1000u);
  // At 50 ms both are due: the one started first fires first.
  auto at50 = std::find(events.events.begin(), events.events.end(), "timer 1 at 50");
  ASSERT_NE(at50, events.events.end());
  EXPECT_EQ(*(at50 - 1), "timer 5 at 50");
  EXPECT_EQ(*(at50 + 1), "timer 5 at 55");
}

TEST_F(HostTest, HandlersStopAndRestartTimersWhileTheClockRuns) {
  RecordingDialog events;
  auto window = Open(events);
  events.onTimer = [&](int id) {
    if (id == 1) window->StopTimer(2);
    if (id == 3) window->StartTimer(3, 30);  // restarts with a new period
  };
  window->StartTimer(1, 10);
  window->StartTimer(2, 15);
  window->StartTimer(3, 20);
  AdvanceClock(60);
  window->StopTimer(1);
  EXPECT_FALSE(Top().IsTimerRunning(1));
  EXPECT_TRUE(Top().IsTimerRunning(3));
  std::vector<std::string> expected{"timer 1 at 10", "timer 1 at 20", "timer 3 at 20", "timer 1 at 30",
                                    "timer 1 at 40", "timer 1 at 50", "timer 3 at 50", "timer 1 at 60"};
  EXPECT_EQ(events.Take(), expected);
  AdvanceClock(100);
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"timer 3 at 80", "timer 3 at 110", "timer 3 at 140"}));
}

// As in a modal loop run from a tick, the same timer goes on ticking inside it.
TEST_F(HostTest, ClockRunFromATickFiresTheTimersInsideIt) {
  RecordingDialog events;
  auto window = Open(events);
  bool nested = false;
  events.onTimer = [&](int) {
    if (!nested) {
      nested = true;
      AdvanceClock(100);  // as a modal loop inside a tick would
    }
  };
  window->StartTimer(7, 10);
  AdvanceClock(10);
  EXPECT_EQ(events.Take(), (std::vector<std::string>{"timer 7 at 10", "timer 7 at 20", "timer 7 at 30", "timer 7 at 40",
                                                     "timer 7 at 50", "timer 7 at 60", "timer 7 at 70", "timer 7 at 80",
                                                     "timer 7 at 90", "timer 7 at 100", "timer 7 at 110"}));
  EXPECT_EQ(Now(), 110u);
}

TEST_F(HostTest, ADestroyedDialogsTimersStop) {
  RecordingDialog events;
  auto window = Open(events);
  window->StartTimer(1, 5);
  window.reset();
  AdvanceClock(20);
  EXPECT_EQ(events.Take(), std::vector<std::string>{"destroy"});
}

}  // namespace
}  // namespace headless_test
