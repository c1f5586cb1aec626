#include <windows.h>

#include "platform/message_box.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int Show(const MessageBoxRequest& request) override {
    // The owner may be a window the application has destroyed since it gave
    // it to the source (its parent of an earlier session); Windows refuses a
    // box with such an owner, so the box is shown without one rather than lost.
    HWND owner = static_cast<HWND>(request.owner);
    if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
    return MessageBoxW(owner, Widen(request.text).c_str(), Widen(request.caption).c_str(), request.style);
  }
};

}  // namespace

MessageBoxes& SystemMessageBoxes() {
  static Win32MessageBoxes boxes;
  return boxes;
}

void SetMessageBoxAnswerer(std::function<int(const MessageBoxRequest&)>) {}

}  // namespace platform
