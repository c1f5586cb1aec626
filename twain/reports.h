// What the user sees when a handler refuses a triplet, and the report of a
// failed internal check.
#pragma once

#include <string>
#include <string_view>

#include "platform/message_box.h"
#include "protocol/twain.h"

namespace twain {

// The text of a condition code as the failure report shows it.
std::string_view ConditionCodeText(TW_UINT16 conditionCode);

// The failure report's text: the handler's prefix followed by the code's text.
std::string FailureReportText(std::string_view prefix, TW_UINT16 conditionCode);

inline constexpr std::string_view kFailureCaption = "Sample Source Error";

// Shows the failure report, modal, owned by `owner` (null before the first MSG_ENABLEDS).
void ReportFailure(platform::MessageBoxes& boxes, platform::WindowHandle owner, std::string_view prefix,
                   TW_UINT16 conditionCode);

}  // namespace twain
