// A dialog class for the host's tests: it records every event it receives
// as a line of text, and runs what a test hands it from its handlers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/headless_host.h"
#include "resources/dialog_ids.h"

namespace headless_test {

// The main dialog's template: it has every kind of control.
inline constexpr int kTemplate = dialog_ids::main_dialog::kTemplate;

class RecordingDialog : public platform::DialogEvents {
 public:
  void OnInit(platform::DialogWindow& window) override {
    window_ = &window;
    events.push_back("init");
    if (onInit) onInit(window);
  }
  void OnCommand(int controlId, int notification) override {
    events.push_back("command " + std::to_string(controlId) + " " + std::to_string(notification));
    if (onCommand) onCommand(controlId, notification);
  }
  void OnTimer(int timerId) override {
    events.push_back("timer " + std::to_string(timerId) + " at " + std::to_string(platform::headless::Now()));
    if (onTimer) onTimer(timerId);
  }
  void OnPaint() override { events.push_back("paint"); }
  void OnMouseMove(unsigned keys, platform::Point at) override { Mouse("move", keys, at); }
  void OnLeftButtonDown(unsigned keys, platform::Point at) override { Mouse("down", keys, at); }
  void OnLeftButtonUp(unsigned keys, platform::Point at) override { Mouse("up", keys, at); }
  void OnKey(std::uint32_t message, std::uintptr_t key) override {
    events.push_back((message == platform::kWmKeyDown ? "keydown " : "char ") + std::to_string(key));
  }
  void OnDestroy() override { events.push_back("destroy"); }

  platform::DialogWindow& Window() { return *window_; }
  // The events recorded since the last call.
  std::vector<std::string> Take() { return std::exchange(events, {}); }

  std::vector<std::string> events;
  std::function<void(platform::DialogWindow&)> onInit;
  std::function<void(int, int)> onCommand;
  std::function<void(int)> onTimer;

 private:
  void Mouse(const char* what, unsigned keys, platform::Point at) {
    events.push_back(std::string(what) + " " + std::to_string(keys) + " " + std::to_string(at.x) + "," +
                     std::to_string(at.y));
  }
  platform::DialogWindow* window_ = nullptr;
};

// Every test starts and ends with a fresh host.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::headless::Reset(); }
  void TearDown() override { platform::headless::Reset(); }

  // A modeless dialog of `events`, as the source makes its main dialog.
  std::unique_ptr<platform::DialogWindow> Open(RecordingDialog& events) {
    auto window = platform::SystemDialogs().CreateModeless(kTemplate, events, nullptr);
    events.Take();
    return window;
  }
  static platform::headless::Dialog& Top() { return *platform::headless::TopDialog(); }
};

}  // namespace headless_test
