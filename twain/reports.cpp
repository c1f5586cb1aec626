#include "twain/reports.h"

#include <cstdio>

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

}  // namespace twain
