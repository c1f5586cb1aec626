#include "platform/message_box.h"

#include <cstdio>
#include <string>

#include "platform/diagnostics.h"

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

bool ReportAssertion(MessageBoxes& boxes, std::string_view module, int line) {
  const std::string name(module);
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "Assertion Failed. Line %d, File %s.\n", line, name.c_str());
  DebugOutput(buffer);
  std::snprintf(buffer, sizeof buffer, "File %s\n Line %d", name.c_str(), line);
  using namespace mb;
  boxes.Show({nullptr, buffer, "Assertion Failed!", kRetryCancel | kIconHand | kTaskModal | kSetForeground});
  return true;
}

}  // namespace platform
