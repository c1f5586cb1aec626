// Desktop chores of the Windows test programs: a watchdog that answers the
// source's message boxes so that no box ever hangs a test, a message pump,
// and screenshots.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wine_desktop {

struct AnsweredBox {
  std::wstring caption;
  std::wstring text;
};

// Presses OK on every dialog box whose caption is in `captions`, from its own
// thread, and remembers what each box said.
class BoxWatchdog {
 public:
  explicit BoxWatchdog(std::vector<std::wstring> captions);
  ~BoxWatchdog();
  std::vector<AnsweredBox> Answered();

 private:
  void Run();
  std::vector<std::wstring> captions_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<AnsweredBox> answered_;
  std::thread thread_;
};

// Dispatches the thread's messages for `milliseconds`.
void Pump(DWORD milliseconds);

// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& path);

// The folder for test output, from MERVALE_TEST_OUTPUT, with a trailing separator.
std::wstring OutputFolder();

std::wstring WindowText(HWND window);

// The visible dialog of that title, waited for; null when none shows in time.
HWND WaitForWindow(const wchar_t* title, DWORD milliseconds);
// Whether the control's text became `text` in time.
bool WaitForText(HWND control, const std::wstring& text, DWORD milliseconds);

}  // namespace wine_desktop
