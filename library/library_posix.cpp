// The shared library's life on Linux. Loading does nothing: the Source is
// made by the first DS_Entry (a manager may load a library only to unload
// it) and goes when the library is unloaded; DS_Entry is the only export.
// As the Windows library hooks its thread's messages, this one gives the
// headless dialog host its key-down hook, so the space key shoots from anywhere.
#include "library/main_dialog_bridge.h"
#include "platform/c_boundary.h"
#include "platform/diagnostics.h"
#include "platform/posix/headless_host.h"
#include "twain/protocol.h"
#include "twain/source.h"

namespace {

// The Source with the key-down hook that reaches it: installed after the
// Source is made and removed before it goes.
struct LoadedSource {
  LoadedSource() : source(twain::SystemPorts(), &library::MakeMainDialog) {
    platform::headless::SetKeyDownHook(
        [this](std::uintptr_t virtualKey) { return source.PreTranslateKeyDown(virtualKey); });
  }
  ~LoadedSource() { platform::headless::SetKeyDownHook({}); }
  LoadedSource(const LoadedSource&) = delete;
  LoadedSource& operator=(const LoadedSource&) = delete;

  twain::Source source;
};

// Made once, by whichever call comes first; a construction that throws is
// tried again by the next call. Being made after the platform ports it
// uses, it is destroyed before them when the library goes.
twain::Source& TheSource() {
  static LoadedSource loaded;
  return loaded.source;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) twain::TW_UINT16 DS_Entry(twain::TW_IDENTITY* origin,
                                                                            twain::TW_UINT32 dg, twain::TW_UINT16 dat,
                                                                            twain::TW_UINT16 msg,
                                                                            twain::TW_MEMREF data) {
  // Source::Entry holds its own calls; this guard is for the Source's making.
  return platform::GuardCBoundary([&] { return TheSource().Entry(origin, dg, dat, msg, data); },
                                  [](const char* what) {
                                    platform::DebugOutput("MervaleTwain: no source: ");
                                    platform::DebugOutput(what);
                                    platform::DebugOutput("\n");
                                    return twain::TWRC_FAILURE;
                                  });
}
