// Without a desktop, a message box is a line on standard error, answered by
// the host that runs the dialogs, or else with the box's default button.
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/message_box.h"

namespace platform {
namespace {

std::mutex answererMutex;
std::function<int(const MessageBoxRequest&)> answerer;

class PosixMessageBoxes final : public MessageBoxes {
 public:
  int Show(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
    std::function<int(const MessageBoxRequest&)> answer;
    {
      std::lock_guard lock(answererMutex);
      answer = answerer;
    }
    return answer ? answer(request) : DefaultAnswer(request.style);
  }
};

}  // namespace

MessageBoxes& SystemMessageBoxes() {
  static PosixMessageBoxes boxes;
  return boxes;
}

void SetMessageBoxAnswerer(std::function<int(const MessageBoxRequest&)> newAnswerer) {
  std::lock_guard lock(answererMutex);
  answerer = std::move(newAnswerer);
}

}  // namespace platform
