#include "twain/reports.h"

#include <cstdio>

#include "platform/diagnostics.h"

namespace twain {

std::string_view ConditionCodeText(TW_UINT16 conditionCode) {
  switch (conditionCode) {
    case TWCC_SUCCESS:
      return "Success message from detailed error request ??";
    case TWCC_BUMMER:
      return "Bummer error.";
    case TWCC_LOWMEMORY:
      return "Low Memory Condition encountered, free up some memory and try again.";
    case TWCC_NODS:
      return "No Data Source found error.";
    case TWCC_MAXCONNECTIONS:
      return "Source is connected to max possible apps.";
    case TWCC_OPERATIONERROR:
      return "An operation error just occurred.";
    case TWCC_BADCAP:
      return "Bad capabilities error.";
    case TWCC_BADPROTOCOL:
      return "Bad protocol error.";
    case TWCC_BADVALUE:
      return "Bad value error.";
    case TWCC_SEQERROR:
      return "DG DAT MSG is out of expected sequence.";
    default:
      return "Unknown Error value in condition code.";
  }
}

std::string FailureReportText(std::string_view prefix, TW_UINT16 conditionCode) {
  std::string text(prefix);
  text += ConditionCodeText(conditionCode);
  return text;
}

void ReportFailure(platform::MessageBoxes& boxes, platform::WindowHandle owner, std::string_view prefix,
                   TW_UINT16 conditionCode) {
  boxes.Show({owner, FailureReportText(prefix, conditionCode), std::string(kFailureCaption), platform::mb::kOk});
}

bool ReportAssertion(platform::MessageBoxes& boxes, std::string_view module, int line) {
  const std::string name(module);
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "Assertion Failed. Line %d, File %s.\n", line, name.c_str());
  platform::DebugOutput(buffer);
  std::snprintf(buffer, sizeof buffer, "File %s\n Line %d", name.c_str(), line);
  using namespace platform::mb;
  boxes.Show({nullptr, buffer, "Assertion Failed!", kRetryCancel | kIconHand | kTaskModal | kSetForeground});
  return true;
}

}  // namespace twain
