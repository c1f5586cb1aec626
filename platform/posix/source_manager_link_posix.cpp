// On Linux the source manager is whatever loaded us: its DSM_Entry is an
// exported symbol of the hosting process or of an already loaded manager
// library. Nothing is loaded here that was not loaded before.
#include <dlfcn.h>

#include <initializer_list>

#include "platform/source_manager_link.h"

namespace platform {
namespace {

twain::DSMENTRYPROC FindDsmEntry() {
  if (void* symbol = dlsym(RTLD_DEFAULT, "DSM_Entry")) {
    return reinterpret_cast<twain::DSMENTRYPROC>(symbol);
  }
  // A manager opened with RTLD_LOCAL is not in the global scope; ask it by name.
  for (const char* name : {"libtwaindsm.so.2", "libtwaindsm.so"}) {
    if (void* module = dlopen(name, RTLD_LAZY | RTLD_NOLOAD)) {
      void* symbol = dlsym(module, "DSM_Entry");
      dlclose(module);
      if (symbol != nullptr) return reinterpret_cast<twain::DSMENTRYPROC>(symbol);
    }
  }
  return nullptr;
}

class PosixSourceManagerLink final : public SourceManagerLink {
 public:
  bool SendNull(twain::TW_IDENTITY& origin, twain::TW_IDENTITY& destination, twain::TW_UINT16 message) override {
    twain::DSMENTRYPROC entry = FindDsmEntry();
    if (entry == nullptr) return false;
    entry(&origin, &destination, twain::DG_CONTROL, twain::DAT_NULL, message, nullptr);
    return true;
  }
};

}  // namespace

SourceManagerLink& SystemSourceManagerLink() {
  static PosixSourceManagerLink link;
  return link;
}

}  // namespace platform
