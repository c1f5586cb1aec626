#include <windows.h>

#include "platform/message_box.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int Show(const MessageBoxRequest& request) override {
    return MessageBoxW(static_cast<HWND>(request.owner), Widen(request.text).c_str(),
                       Widen(request.caption).c_str(), request.style);
  }
};

}  // namespace

MessageBoxes& SystemMessageBoxes() {
  static Win32MessageBoxes boxes;
  return boxes;
}

void SetMessageBoxAnswerer(std::function<int(const MessageBoxRequest&)>) {}

}  // namespace platform
