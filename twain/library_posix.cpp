// The shared library's life on Linux: the Source is made when the library is
// loaded and goes when it is unloaded, and DS_Entry is its only export. As the
// Windows library hooks its thread's messages, this one gives the headless
// dialog host its key-down hook, so the space key shoots from anywhere.
#include "platform/posix/headless_host.h"
#include "twain/protocol.h"
#include "twain/source.h"
#include "ui/main_dialog.h"

namespace {

// Built during load, after the platform ports it uses, so it is destroyed before them.
const std::unique_ptr<twain::Source> theSource =
    std::make_unique<twain::Source>(twain::SystemPorts(), &ui::MakeMainDialog);

// Installed after the Source is made and removed before it goes.
const struct KeyDownHook {
  KeyDownHook() {
    platform::headless::SetKeyDownHook(
        [](std::uintptr_t virtualKey) { return theSource->PreTranslateKeyDown(virtualKey); });
  }
  ~KeyDownHook() { platform::headless::SetKeyDownHook({}); }
} keyDownHook;

}  // namespace

extern "C" __attribute__((visibility("default"))) twain::TW_UINT16 DS_Entry(twain::TW_IDENTITY* origin,
                                                                            twain::TW_UINT32 dg, twain::TW_UINT16 dat,
                                                                            twain::TW_UINT16 msg,
                                                                            twain::TW_MEMREF data) {
  return theSource->Entry(origin, dg, dat, msg, data);
}
