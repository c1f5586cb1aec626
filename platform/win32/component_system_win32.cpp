// windows.h first: the common controls' header needs its types.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/component_system.h"

namespace platform {

ComponentSystemSession::ComponentSystemSession() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // S_FALSE (already entered on this thread) also takes a reference to give back.
  entered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ComponentSystemSession::~ComponentSystemSession() {
  if (entered_) CoUninitialize();
}

}  // namespace platform
