// The DLL's life on Windows. Loading makes the Source and installs the
// message hook for the loading thread, nothing more: source managers load,
// query and unload a source several times before opening it, and the
// component system must not be entered under the loader lock.
#include <windows.h>

#include "twain/protocol.h"
#include "twain/source.h"
#include "ui/main_dialog.h"

namespace {

twain::Source* theSource = nullptr;
HHOOK messageHook = nullptr;

// Every message the thread takes from its queue passes here before the
// application sees it, so the space key shoots from anywhere in the thread.
LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE && theSource != nullptr) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (message->message == WM_KEYDOWN && theSource->PreTranslateKeyDown(message->wParam)) {
      message->message = WM_NULL;
      message->wParam = 0;
      message->lParam = 0;
    }
  }
  return CallNextHookEx(messageHook, code, removal, lParam);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      theSource = new twain::Source(twain::SystemPorts(), &ui::MakeMainDialog);
      messageHook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, instance, GetCurrentThreadId());
      break;
    case DLL_PROCESS_DETACH:
      if (messageHook != nullptr) UnhookWindowsHookEx(messageHook);
      messageHook = nullptr;
      // At process exit the other threads are gone and windows with them: only
      // an explicit unload tears the source down.
      if (reserved == nullptr) delete theSource;
      theSource = nullptr;
      break;
    default:
      break;
  }
  return TRUE;
}

extern "C" __declspec(dllexport) twain::TW_UINT16 TW_CALLINGSTYLE DS_Entry(twain::TW_IDENTITY* origin,
                                                                          twain::TW_UINT32 dg, twain::TW_UINT16 dat,
                                                                          twain::TW_UINT16 msg,
                                                                          twain::TW_MEMREF data) {
  return theSource->Entry(origin, dg, dat, msg, data);
}
