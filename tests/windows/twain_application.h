// A TWAIN application for the Wine tests: Wine's own source manager, a
// window of its own as the parent, and MervaleTwain.ds opened through the
// manager the way applications open a source.
#pragma once

#include <windows.h>

#include "protocol/twain.h"

namespace wine_desktop {

class TwainApplication {
 public:
  // Loads the manager and opens it for a parent window of this application.
  explicit TwainApplication(const char* productName);
  ~TwainApplication();
  TwainApplication(const TwainApplication&) = delete;
  TwainApplication& operator=(const TwainApplication&) = delete;

  bool ManagerOpen() const { return managerOpen_; }
  HWND Window() const { return window_; }

  // Finds MervaleTwain among the sources the manager lists; its identity
  // is then SourceIdentity().
  bool FindSource();
  // Finds MervaleTwain and opens it.
  bool OpenSource();
  const twain::TW_IDENTITY& SourceIdentity() const { return source_; }
  // Enables the source with its user interface, owned by Window().
  twain::TW_UINT16 Enable();
  twain::TW_UINT16 Disable();
  twain::TW_UINT16 CloseSource();

  twain::TW_UINT16 Manager(twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
  twain::TW_UINT16 Control(twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
  twain::TW_UINT16 Image(twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);

  // Sets a one-value capability of 16-bit items.
  twain::TW_UINT16 SetOneValue(twain::TW_UINT16 cap, twain::TW_UINT16 itemType, twain::TW_UINT32 value);
  // The current value of a capability whose container holds 16-bit items; -1 on failure.
  int CurrentValue(twain::TW_UINT16 cap);

  // Passes the thread's messages through MSG_PROCESSEVENT, as an
  // application's loop does, until the manager delivers `wanted` or
  // `milliseconds` pass.
  bool WaitFor(twain::TW_UINT16 wanted, DWORD milliseconds);

 private:
  HMODULE manager_ = nullptr;
  twain::DSMENTRYPROC entry_ = nullptr;
  HWND window_ = nullptr;
  bool managerOpen_ = false;
  bool sourceOpen_ = false;
  bool enabled_ = false;
  twain::TW_IDENTITY application_{};
  twain::TW_IDENTITY source_{};
};

}  // namespace wine_desktop
