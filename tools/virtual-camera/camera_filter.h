// The virtual document camera as a DirectShow capture source filter: one
// capture pin offering the scene's frame sizes in 24-bit RGB, frames drawn on
// a streaming thread of its own while the graph runs.
#pragma once

#include <windows.h>

#include <atomic>

namespace virtual_camera {

// {6D657276-616C-6543-616D-657261000001}
inline constexpr CLSID kFilterClsid = {0x6D657276, 0x616C, 0x6543, {0x61, 0x6D, 0x65, 0x72, 0x61, 0x00, 0x00, 0x01}};

// Objects alive and server locks: the DLL may be unloaded when both are 0.
extern std::atomic<long> liveObjects;
extern std::atomic<long> serverLocks;

// Makes a filter and asks it for `iid`.
HRESULT CreateCameraFilter(REFIID iid, void** object);

}  // namespace virtual_camera
