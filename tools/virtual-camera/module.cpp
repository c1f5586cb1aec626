// The DLL around the filter: its class factory, and its registration as a
// video input device with a document camera's name and device path, so that
// DirectShow applications (the source among them) find it as a camera.
#include <olectl.h>
#include <windows.h>

#include <string>

#include "tools/virtual-camera/camera_filter.h"

namespace virtual_camera {
namespace {

HINSTANCE module = nullptr;

constexpr wchar_t kFriendlyName[] = L"Mervale Document Camera";
constexpr wchar_t kDevicePath[] =
    L"\\\\?\\usb#vid_4d56&pid_2c01&mi_00#mervale-virtual-camera#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
// The video input device category.
constexpr wchar_t kCategory[] = L"{860BB310-5D01-11D0-BD3B-00A0C911CE86}";

std::wstring ClsidText() {
  wchar_t text[64] = {};
  StringFromGUID2(kFilterClsid, text, 64);
  return text;
}

std::wstring ClassKey() { return L"CLSID\\" + ClsidText(); }
std::wstring InstanceKey() { return std::wstring(L"CLSID\\") + kCategory + L"\\Instance\\" + ClsidText(); }

bool SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool written = SetText(key, name, value);
  RegCloseKey(key);
  return written;
}

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // One static factory: it is never freed.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreateCameraFilter(iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    serverLocks += lock ? 1 : -1;
    return S_OK;
  }
};

Factory factory;

}  // namespace
}  // namespace virtual_camera

using namespace virtual_camera;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != kFilterClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  if (GetModuleFileNameW(module, path, MAX_PATH) == 0) return SELFREG_E_CLASS;
  const bool registered = WriteKey(ClassKey(), nullptr, L"Mervale Virtual Document Camera") &&
                          WriteKey(ClassKey() + L"\\InprocServer32", nullptr, path) &&
                          WriteKey(ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Both") &&
                          WriteKey(InstanceKey(), L"FriendlyName", kFriendlyName) &&
                          WriteKey(InstanceKey(), L"CLSID", ClsidText()) &&
                          WriteKey(InstanceKey(), L"DevicePath", kDevicePath);
  return registered ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, InstanceKey().c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, InstanceKey().c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  return S_OK;
}
