#include "platform/message_box.h"

namespace platform {

int DefaultAnswer(unsigned style) {
  switch (style & mb::kTypeMask) {
    case mb::kRetryCancel:
      return mb::kIdRetry;
    case mb::kYesNo:
      return mb::kIdYes;
    default:
      return mb::kIdOk;
  }
}

}  // namespace platform
