// The source's own user interface as the TWAIN handlers see it: the main
// scanning dialog, created at MSG_ENABLEDS and destroyed at MSG_DISABLEDS.
#pragma once

#include "platform/dialog.h"

namespace twain {

class ScanUserInterface {
 public:
  virtual ~ScanUserInterface() = default;
  // Creates the dialog owned by `owner` and shows it; false when no window could be made.
  virtual bool Open(platform::WindowHandle owner) = 0;
  // Stops the camera and destroys the dialog.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // The dialog's window while it is open, else null.
  virtual platform::DialogWindow* Window() = 0;
  // The application has taken the last pending picture.
  virtual void ShowUploadFinished() = 0;
};

}  // namespace twain
