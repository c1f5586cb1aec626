// The DLL's life on Windows. The load notification only records the module:
// it runs under the loader lock, where asking the shell for folders or
// entering the component system may deadlock, and source managers load,
// query and unload a source several times before opening it. The Source and
// the message hook are made by the first DS_Entry, on the application's thread.
#include <windows.h>

#include <atomic>
#include <memory>

#include "library/main_dialog_bridge.h"
#include "platform/c_boundary.h"
#include "platform/diagnostics.h"
#include "twain/protocol.h"
#include "twain/source.h"

namespace {

HINSTANCE thisModule = nullptr;
DWORD loadingThread = 0;
// Set once the Source is made; the hook and the unload read it.
std::atomic<twain::Source*> theSource{nullptr};
HHOOK messageHook = nullptr;

void ReportFailure(const char* where, const char* what) noexcept {
  platform::DebugOutput("MervaleTwain: ");
  platform::DebugOutput(where);
  platform::DebugOutput(what);
  platform::DebugOutput("\n");
}

// Every message the thread takes from its queue passes here before the
// application sees it, so the space key shoots from anywhere in the thread.
LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam) {
  twain::Source* source = theSource.load(std::memory_order_acquire);
  if (code == HC_ACTION && removal == PM_REMOVE && source != nullptr) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    const bool handled = platform::GuardCBoundary(
        [&] { return message->message == WM_KEYDOWN && source->PreTranslateKeyDown(message->wParam); },
        [](const char* what) {
          ReportFailure("the key-down hook failed: ", what);
          return false;
        });
    if (handled) {
      message->message = WM_NULL;
      message->wParam = 0;
      message->lParam = 0;
    }
  }
  // The next hook in the chain sees every message, whatever happened here.
  return CallNextHookEx(messageHook, code, removal, lParam);
}

// Made once, by the first DS_Entry; a construction that throws is tried
// again by the next call. The hook goes to the calling thread, which is the
// application's: the one whose message loop passes the source its events.
twain::Source& TheSource() {
  static twain::Source* const made = [] {
    auto source = std::make_unique<twain::Source>(twain::SystemPorts(), &library::MakeMainDialog);
    const DWORD thread = GetCurrentThreadId();
    if (thread != loadingThread) {
      source->GetTrace().Write("\nDS_Entry on a thread other than the one that loaded the source");
    }
    messageHook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, thisModule, thread);
    theSource.store(source.get(), std::memory_order_release);
    return source.release();
  }();
  return *made;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      thisModule = instance;
      loadingThread = GetCurrentThreadId();
      break;
    case DLL_PROCESS_DETACH:
      if (messageHook != nullptr) UnhookWindowsHookEx(messageHook);
      messageHook = nullptr;
      // At process exit the other threads are gone and windows with them: only
      // an explicit unload tears the source down.
      if (reserved == nullptr) delete theSource.exchange(nullptr);
      break;
    default:
      break;
  }
  return TRUE;
}

extern "C" __declspec(dllexport) twain::TW_UINT16 TW_CALLINGSTYLE
    DS_Entry(twain::TW_IDENTITY* origin, twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg,
             twain::TW_MEMREF data) {
  // Source::Entry holds its own calls; this guard is for the Source's making.
  return platform::GuardCBoundary([&] { return TheSource().Entry(origin, dg, dat, msg, data); },
                                  [](const char* what) {
                                    ReportFailure("no source: ", what);
                                    return twain::TWRC_FAILURE;
                                  });
}
