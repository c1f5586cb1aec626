#include "registered_camera.h"

#include <objbase.h>

#include <cstdlib>
#include <fstream>

namespace wine_desktop {

using ServerCall = HRESULT(STDAPICALLTYPE*)();

void RegisteredCamera::SetUp() {
  // The filter reads its scene when it is made, from the file the variable names.
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  scenePath_ = std::wstring(folder) + L"mervale-camera-scene.txt";
  std::ofstream(scenePath_.c_str(), std::ios::binary) << scene_;
  _wputenv_s(L"MERVALE_SCENE", scenePath_.c_str());

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  filterModule_ = LoadLibraryW(filterPath_.c_str());
  ASSERT_NE(filterModule_, nullptr);
  ASSERT_EQ(Call("DllRegisterServer"), S_OK);
}

void RegisteredCamera::TearDown() {
  if (filterModule_ != nullptr) Call("DllUnregisterServer");
  CoUninitialize();
  DeleteFileW(scenePath_.c_str());
}

HRESULT RegisteredCamera::Call(const char* name) {
  auto call = reinterpret_cast<ServerCall>(reinterpret_cast<void*>(GetProcAddress(filterModule_, name)));
  return call != nullptr ? call() : E_NOTIMPL;
}

}  // namespace wine_desktop
