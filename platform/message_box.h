// Modal message boxes: the failure reports, tips and camera messages.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

using WindowHandle = void*;

// Style bits and answers, with the values of the Windows message box.
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kRetryCancel = 0x5;
inline constexpr unsigned kIconHand = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kTaskModal = 0x2000;
inline constexpr unsigned kSetForeground = 0x10000;
inline constexpr unsigned kTypeMask = 0xF;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

struct MessageBoxRequest {
  WindowHandle owner;
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  unsigned style;
};

// The answer a box gets when nobody is there to press a button: its first one.
int DefaultAnswer(unsigned style);

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and waits for the answer (an mb::kId... value).
  virtual int Show(const MessageBoxRequest& request) = 0;
};

// Windows: MessageBoxW. Linux: the box is written to standard error as caption
// and text and answered by the installed answerer, else with its default.
MessageBoxes& SystemMessageBoxes();

// Lets a host (the headless dialog host, a test) answer the system boxes on
// Linux. An empty function restores the default answer. No effect on Windows.
void SetMessageBoxAnswerer(std::function<int(const MessageBoxRequest&)> answerer);

// Reports a failed internal check in `module` at `line`. Answers true: the
// caller may break into an attached debugger.
bool ReportAssertion(MessageBoxes& boxes, std::string_view module, int line);

}  // namespace platform
