// The host's windows, clock and timers, records, modal loop and turns, and
// the functions of headless_host.h that reach them.
#include "platform/posix/headless_host_internal.h"

#include <algorithm>
#include <thread>

#include "platform/posix/headless_window.h"
#include "platform/posix/scripted_user.h"
#include "resources/dialog_templates.h"

namespace platform::headless {
namespace {

// A period of 0 would fire forever without the clock moving.
constexpr unsigned kShortestPeriod = 1;
// How long the modal loop sleeps between turns while the user plays in real time.
constexpr auto kModalTurn = std::chrono::milliseconds(10);

}  // namespace

Host& Host::Get() {
  static Host host;
  return host;
}

Host::Host() { InstallAnswerer(); }

Host::~Host() { SetMessageBoxAnswerer({}); }

void Host::InstallAnswerer() {
  SetMessageBoxAnswerer([this](const MessageBoxRequest& request) { return AnswerBox(request); });
}

std::unique_ptr<Window> Host::MakeWindow(int templateId, DialogEvents& events) {
  const resources::DialogTemplate* dialogTemplate = resources::FindDialogTemplate(templateId);
  if (dialogTemplate == nullptr) return nullptr;
  const int stacked = static_cast<int>(windows_.size()) * kStackedDialogOffset;
  auto window = std::make_unique<Window>(*this, *dialogTemplate, events,
                                         Point{kFirstClientOrigin.x + stacked, kFirstClientOrigin.y + stacked});
  windows_.push_back(window.get());
  return window;
}

void Host::Record(DrawnMark mark) {
  drawing_.push_back(std::move(mark));
  // The oldest marks go in a batch, so that each mark is moved about once.
  if (drawing_.size() >= 2 * kMaxDrawnMarks) {
    drawing_.erase(drawing_.begin(), drawing_.end() - static_cast<std::ptrdiff_t>(kMaxDrawnMarks));
  }
}

void Host::ForgetDrawing(WindowHandle window) {
  std::erase_if(drawing_, [window](const DrawnMark& mark) { return mark.window == window; });
}

void Host::ForgetDrawingIn(WindowHandle window, const Rect& area) {
  const auto inside = [&area](Point p) {
    return p.x >= area.left && p.x <= area.right && p.y >= area.top && p.y <= area.bottom;
  };
  std::erase_if(drawing_, [&](const DrawnMark& mark) {
    if (mark.window != window) return false;
    switch (mark.kind) {
      case DrawnMark::Kind::Polyline:
      case DrawnMark::Kind::Text:
        return std::all_of(mark.points.begin(), mark.points.end(), inside);
      default:
        return inside({mark.rect.left, mark.rect.top}) && inside({mark.rect.right, mark.rect.bottom});
    }
  });
}

void Host::Forget(const Window& window) {
  ForgetDrawing(window.Handle());
  std::erase(windows_, &window);
  std::erase_if(timers_, [&window](const Timer& timer) { return timer.window == &window; });
  // The scripted user's session ends with the last dialog.
  if (windows_.empty()) user_.reset();
}

std::unique_ptr<DialogWindow> Host::CreateModeless(int templateId, DialogEvents& events, WindowHandle) {
  std::unique_ptr<Window> window = MakeWindow(templateId, events);
  if (!window) return nullptr;
  window->Initialise();
  if (!user_) StartUserFromEnvironment();
  return window;
}

bool Host::RouteEvent(DialogWindow& dialog, void* event) {
  auto& window = static_cast<Window&>(dialog);
  const auto& message = *static_cast<const WindowMessage*>(event);
  const bool consumed = window.Owns(message.window);
  if (consumed && message.message == kWmCommand) {
    window.Command(static_cast<int>(message.wParam & 0xFFFF), static_cast<int>((message.wParam >> 16) & 0xFFFF));
  } else if (consumed && message.window == window.Handle() &&
             (message.message == kWmKeyDown || message.message == kWmChar)) {
    window.Key(message.message, message.wParam);
  }
  RunTurn();
  return consumed;
}

void Host::AdvanceClock(std::uint64_t milliseconds) {
  const std::uint64_t target = now_ + milliseconds;
  for (;;) {
    // Handlers may start and stop timers, so the next one is looked up afresh each time.
    auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
      return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    if (next == timers_.end() || next->due > target) break;
    // Everything due up to a target fires on the way there, so no tick is ever late.
    now_ = next->due;
    next->due += next->period;
    Window* window = next->window;
    const int id = next->id;
    window->Timer(id);
  }
  now_ = std::max(now_, target);
}

void Host::StartTimer(Window& window, int timerId, unsigned milliseconds) {
  const unsigned period = std::max(milliseconds, kShortestPeriod);
  StopTimer(window, timerId);
  timers_.push_back({&window, timerId, period, now_ + period, timersStarted_++});
}

void Host::StopTimer(const Window& window, int timerId) {
  std::erase_if(timers_, [&](const Timer& timer) { return timer.window == &window && timer.id == timerId; });
}

bool Host::IsTimerRunning(const Window& window, int timerId) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& timer) { return timer.window == &window && timer.id == timerId; });
}

void Host::QueueAnswer(int answer) {
  std::lock_guard lock(boxesMutex_);
  answers_.push_back(answer);
}

std::vector<ShownMessageBox> Host::ShownBoxes() const {
  std::lock_guard lock(boxesMutex_);
  return shownBoxes_;
}

int Host::AnswerBox(const MessageBoxRequest& request) {
  std::lock_guard lock(boxesMutex_);
  int answer = DefaultAnswer(request.style);
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.erase(answers_.begin());
  }
  shownBoxes_.push_back({request, answer});
  return answer;
}

bool Host::RunKeyDownHook(std::uintptr_t virtualKey) {
  if (!keyDownHook_) return false;
  // The hook may replace itself while it runs.
  const auto hook = keyDownHook_;
  return hook(virtualKey);
}

void Host::RunModalLoop(Window& child) {
  if (modalDriver_) {
    const auto driver = modalDriver_;
    driver(child);
  } else {
    for (std::shared_ptr<ScriptedUser> user = user_; user && !child.ModalEnded() && user->HasSteps(); user = user_) {
      if (realTime_) {
        std::this_thread::sleep_for(
            std::min<std::chrono::milliseconds>(kModalTurn, std::chrono::milliseconds(user->TimeToNextStep(now_))));
        CatchUpWithRealTime();
      } else {
        AdvanceClock(user->TimeToNextStep(now_));
      }
      user->PlayDueSteps();
    }
  }
  // Nothing may hang: what is left open is cancelled as the close box would.
  if (!child.ModalEnded()) child.Command(kIdCancel, kButtonClicked);
  if (!child.ModalEnded()) child.EndModal(kIdCancel);
}

void Host::Play(UserScript script, bool realTime) {
  user_ = std::make_shared<ScriptedUser>(std::move(script), now_);
  realTime_ = realTime;
  lastTurn_ = std::chrono::steady_clock::now();
}

void Host::StartUserFromEnvironment() {
  const char* path = std::getenv("MERVALE_USER_SCRIPT");
  if (path == nullptr || *path == '\0') return;
  if (std::optional<UserScript> script = LoadUserScript(path)) Play(std::move(*script), true);
}

void Host::CatchUpWithRealTime() {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lastTurn_);
  lastTurn_ += elapsed;
  AdvanceClock(static_cast<std::uint64_t>(elapsed.count()));
}

void Host::RunTurn() {
  if (user_ && realTime_) CatchUpWithRealTime();
  if (const std::shared_ptr<ScriptedUser> user = user_) user->PlayDueSteps();
}

void Host::Reset() {
  timers_.clear();
  now_ = 0;
  drawing_.clear();
  fontCreationFails_ = false;
  {
    std::lock_guard lock(boxesMutex_);
    answers_.clear();
    shownBoxes_.clear();
  }
  InstallAnswerer();
  modalDriver_ = nullptr;
  user_.reset();
  realTime_ = false;
}

std::vector<Dialog*> OpenDialogs() {
  const std::vector<Window*>& windows = Host::Get().Windows();
  return {windows.begin(), windows.end()};
}

Dialog* TopDialog() {
  const std::vector<Window*>& windows = Host::Get().Windows();
  return windows.empty() ? nullptr : windows.back();
}

Dialog* UserDialog() {
  const std::vector<Window*>& windows = Host::Get().Windows();
  if (windows.empty()) return nullptr;
  auto modal = std::find_if(windows.rbegin(), windows.rend(), [](const Window* window) { return window->IsModal(); });
  return modal == windows.rend() ? windows.front() : *modal;
}

Dialog* FindDialog(int templateId) {
  const std::vector<Window*>& windows = Host::Get().Windows();
  auto found = std::find_if(windows.rbegin(), windows.rend(),
                            [templateId](const Window* window) { return window->TemplateId() == templateId; });
  return found == windows.rend() ? nullptr : *found;
}

std::uint64_t Now() { return Host::Get().Now(); }
void AdvanceClock(unsigned milliseconds) { Host::Get().AdvanceClock(milliseconds); }
const std::vector<DrawnMark>& Drawing() { return Host::Get().Drawing(); }
void ClearDrawing() { Host::Get().ClearDrawing(); }
void SetFontCreationFails(bool fails) { Host::Get().SetFontCreationFails(fails); }
void QueueMessageBoxAnswer(int answer) { Host::Get().QueueAnswer(answer); }
std::vector<ShownMessageBox> ShownMessageBoxes() { return Host::Get().ShownBoxes(); }
void SetModalDriver(std::function<void(Dialog&)> driver) { Host::Get().SetModalDriver(std::move(driver)); }
void SetKeyDownHook(std::function<bool(std::uintptr_t)> hook) { Host::Get().SetKeyDownHook(std::move(hook)); }
void RunTurn() { Host::Get().RunTurn(); }
void Reset() { Host::Get().Reset(); }
void PlayUserScript(UserScript script) { Host::Get().Play(std::move(script), false); }

}  // namespace platform::headless

namespace platform {

DialogSystem& SystemDialogs() { return headless::Host::Get(); }

}  // namespace platform
