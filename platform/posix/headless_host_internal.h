// The host behind the headless dialog port: the open windows, the clock and
// its timers, the records of drawing and message boxes, the modal loop and
// the scripted user. One per process, as the window system is.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/posix/headless_host.h"
#include "platform/posix/user_script.h"

namespace platform::headless {

class Window;
class ScriptedUser;

class Host final : public DialogSystem {
 public:
  static Host& Get();
  Host();
  ~Host() override;

  // DialogSystem
  std::unique_ptr<DialogWindow> CreateModeless(int templateId, DialogEvents& events, WindowHandle owner) override;
  bool RouteEvent(DialogWindow& dialog, void* event) override;

  // A registered window from template `templateId`, not yet initialised; null when there is no such template.
  std::unique_ptr<Window> MakeWindow(int templateId, DialogEvents& events);
  void Forget(const Window& window);
  const std::vector<Window*>& Windows() const { return windows_; }

  std::uint64_t Now() const { return now_; }
  void AdvanceClock(std::uint64_t milliseconds);
  void StartTimer(Window& window, int timerId, unsigned milliseconds);
  void StopTimer(const Window& window, int timerId);
  bool IsTimerRunning(const Window& window, int timerId) const;

  void Record(DrawnMark mark);
  // Drops the marks drawn on `window`.
  void ForgetDrawing(WindowHandle window);
  // Drops the marks drawn on `window` that lie within `area` (client coordinates).
  void ForgetDrawingIn(WindowHandle window, const Rect& area);
  const std::vector<DrawnMark>& Drawing() const { return drawing_; }
  void ClearDrawing() { drawing_.clear(); }
  bool FontCreationFails() const { return fontCreationFails_; }
  void SetFontCreationFails(bool fails) { fontCreationFails_ = fails; }

  void QueueAnswer(int answer);
  std::vector<ShownMessageBox> ShownBoxes() const;

  void SetModalDriver(std::function<void(Dialog&)> driver) { modalDriver_ = std::move(driver); }
  // The loop of a modal child whose OnInit has run; returns when it has ended.
  void RunModalLoop(Window& child);

  void SetKeyDownHook(std::function<bool(std::uintptr_t)> hook) { keyDownHook_ = std::move(hook); }
  bool RunKeyDownHook(std::uintptr_t virtualKey);

  // The scripted user, on the manual clock (tests) or in real time (MERVALE_USER_SCRIPT).
  void Play(UserScript script, bool realTime);
  void RunTurn();
  void Reset();

 private:
  struct Timer {
    Window* window;
    int id;
    unsigned period;
    std::uint64_t due;
    std::uint64_t order;  // ties fire in the order the timers were started
  };
  int AnswerBox(const MessageBoxRequest& request);
  void InstallAnswerer();
  // Starts the scripted user named by MERVALE_USER_SCRIPT, if any.
  void StartUserFromEnvironment();
  // With the user in real time: the clock catches up with the real time since the last turn.
  void CatchUpWithRealTime();

  std::vector<Window*> windows_;  // oldest first
  std::uint64_t now_ = 0;
  std::vector<Timer> timers_;
  std::uint64_t timersStarted_ = 0;
  std::vector<DrawnMark> drawing_;
  bool fontCreationFails_ = false;
  mutable std::mutex boxesMutex_;  // boxes may come from the capture thread
  std::vector<int> answers_;
  std::vector<ShownMessageBox> shownBoxes_;
  std::function<void(Dialog&)> modalDriver_;
  std::function<bool(std::uintptr_t)> keyDownHook_;
  std::shared_ptr<ScriptedUser> user_;  // shared: a step may end the session it belongs to
  bool realTime_ = false;
  std::chrono::steady_clock::time_point lastTurn_;
};

}  // namespace platform::headless
