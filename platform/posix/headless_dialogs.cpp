// The headless dialog host: a dialog is its template's controls kept in
// memory. Each dialog and each control has a distinct window handle (the
// address of its record), so events addressed to them can be recognised.
#include <deque>
#include <string>

#include "platform/dialog.h"
#include "resources/dialog_templates.h"

namespace platform {
namespace {

struct HeadlessControl {
  int id;
  std::string text;
  bool visible;
  bool enabled;
};

class HeadlessDialogWindow final : public DialogWindow {
 public:
  HeadlessDialogWindow(const resources::DialogTemplate& dialogTemplate, DialogEvents& events)
      : title_(dialogTemplate.title), events_(events) {
    for (const resources::ControlTemplate& control : dialogTemplate.controls) {
      controls_.push_back({control.id, control.caption, control.visible, control.enabled});
    }
  }

  ~HeadlessDialogWindow() override { events_.OnDestroy(); }

  void Initialise() { events_.OnInit(*this); }

  WindowHandle Handle() const override { return const_cast<HeadlessDialogWindow*>(this); }
  std::string Title() const override { return title_; }
  void Show() override { visible_ = true; }
  bool IsVisible() const override { return visible_; }
  bool HasItem(int id) const override { return Find(id) != nullptr; }
  std::string ItemText(int id) const override {
    const HeadlessControl* control = Find(id);
    return control ? control->text : std::string();
  }
  void SetItemText(int id, std::string_view utf8) override {
    if (HeadlessControl* control = Find(id)) control->text = utf8;
  }
  bool IsItemEnabled(int id) const override {
    const HeadlessControl* control = Find(id);
    return control && control->enabled;
  }
  void EnableItem(int id, bool enabled) override {
    if (HeadlessControl* control = Find(id)) control->enabled = enabled;
  }
  bool IsItemVisible(int id) const override {
    const HeadlessControl* control = Find(id);
    return control && control->visible;
  }
  void SendCommand(int id) override { Command(id, 0); }
  void Command(std::uintptr_t id, std::uintptr_t notification) {
    events_.OnCommand(static_cast<int>(id), static_cast<int>(notification));
  }

  // Whether `window` is this dialog or one of its controls.
  bool Owns(WindowHandle window) const {
    if (window == Handle()) return true;
    for (const HeadlessControl& control : controls_) {
      if (window == &control) return true;
    }
    return false;
  }

 private:
  HeadlessControl* Find(int id) {
    for (HeadlessControl& control : controls_) {
      if (control.id == id) return &control;
    }
    return nullptr;
  }
  const HeadlessControl* Find(int id) const { return const_cast<HeadlessDialogWindow*>(this)->Find(id); }

  std::string title_;
  DialogEvents& events_;
  std::deque<HeadlessControl> controls_;
  bool visible_ = false;
};

class HeadlessDialogSystem final : public DialogSystem {
 public:
  std::unique_ptr<DialogWindow> CreateModeless(int templateId, DialogEvents& events, WindowHandle) override {
    const resources::DialogTemplate* dialogTemplate = resources::FindDialogTemplate(templateId);
    if (dialogTemplate == nullptr) return nullptr;
    auto window = std::make_unique<HeadlessDialogWindow>(*dialogTemplate, events);
    window->Initialise();
    return window;
  }

  // Like IsDialogMessage: every message addressed to the dialog or one of its
  // controls is the dialog's, and a command reaches its handler.
  bool RouteEvent(DialogWindow& dialog, void* event) override {
    auto& window = static_cast<HeadlessDialogWindow&>(dialog);
    const auto& message = *static_cast<const WindowMessage*>(event);
    if (!window.Owns(message.window)) return false;
    if (message.message == kWmCommand) window.Command(message.wParam & 0xFFFF, (message.wParam >> 16) & 0xFFFF);
    return true;
  }
};

}  // namespace

DialogSystem& SystemDialogs() {
  static HeadlessDialogSystem dialogs;
  return dialogs;
}

}  // namespace platform
