// The notifications must reach the source manager that opened the source. A
// 64-bit application only has the TWAIN 2 manager TWAINDSM.DLL, and a 32-bit
// one may use either manager, so an already loaded TWAINDSM.DLL comes first;
// TWAIN_32.DLL is the classic manager of 32-bit applications.
#include <windows.h>

#include "platform/source_manager_link.h"

namespace platform {
namespace {

// Takes a reference on the manager module, or returns null.
HMODULE ReferenceSourceManager() {
  HMODULE module = nullptr;
  if (GetModuleHandleExA(0, "TWAINDSM.DLL", &module)) return module;
  return LoadLibraryA("TWAIN_32.DLL");
}

class Win32SourceManagerLink final : public SourceManagerLink {
 public:
  bool SendNull(twain::TW_IDENTITY& origin, twain::TW_IDENTITY& destination, twain::TW_UINT16 message) override {
    HMODULE module = ReferenceSourceManager();
    if (module == nullptr) return false;
    auto entry = reinterpret_cast<twain::DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(module, "DSM_Entry")));
    if (entry != nullptr) {
      entry(&origin, &destination, twain::DG_CONTROL, twain::DAT_NULL, message, nullptr);
    }
    FreeLibrary(module);
    return entry != nullptr;
  }
};

}  // namespace

SourceManagerLink& SystemSourceManagerLink() {
  static Win32SourceManagerLink link;
  return link;
}

}  // namespace platform
