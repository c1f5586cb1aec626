// The capture service on Windows: DirectShow. The devices are the video
// input category of the system device enumerator, each bound as a capture
// filter (capture/win32/directshow_device.cpp runs it).
#include <dshow.h>
#include <ocidl.h>
#include <windows.h>

#include "capture/system_capture_service.h"
#include "capture/win32/com_ptr.h"
#include "capture/win32/directshow_device.h"

namespace capture {
namespace {

// Device texts are read into buffers of this size in the ANSI code page.
constexpr int kDeviceTextBuffer = 1024;

// A property of the device as ANSI text, cut to the buffer the source reads it into.
std::optional<std::string> ReadDeviceText(IPropertyBag& bag, const wchar_t* name) {
  VARIANT value;
  VariantInit(&value);
  std::optional<std::string> text;
  if (SUCCEEDED(bag.Read(name, &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal != nullptr) {
    char buffer[kDeviceTextBuffer] = {};
    if (WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, buffer, kDeviceTextBuffer - 1, nullptr, nullptr) > 0) {
      text = buffer;
    }
  }
  VariantClear(&value);
  return text;
}

class DirectShowDeviceEntry final : public DeviceEntry {
 public:
  explicit DirectShowDeviceEntry(IMoniker& moniker) : moniker_(moniker) {}

  std::shared_ptr<CaptureDevice> Bind() override {
    ComPtr<IBaseFilter> filter;
    if (FAILED(moniker_.BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())) || !filter) return nullptr;
    return MakeDirectShowDevice(std::move(filter));
  }

 private:
  IMoniker& moniker_;
};

class DirectShowService final : public VideoCaptureService {
 public:
  bool ForEachDevice(const std::function<void(DeviceEntry&)>& visit) override {
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.PutVoid()))) {
      return false;
    }
    ComPtr<IEnumMoniker> monikers;
    // S_FALSE, with no enumerator, means the category has no devices.
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0) != S_OK || !monikers) {
      return false;
    }
    monikers->Reset();
    for (;;) {
      ComPtr<IMoniker> moniker;
      if (monikers->Next(1, moniker.Put(), nullptr) != S_OK || !moniker) break;
      ComPtr<IPropertyBag> bag;
      if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag) continue;
      DirectShowDeviceEntry entry(*moniker.Get());
      entry.friendlyName = ReadDeviceText(*bag.Get(), L"FriendlyName");
      entry.devicePath = ReadDeviceText(*bag.Get(), L"DevicePath");
      visit(entry);
    }
    return true;
  }
};

}  // namespace

VideoCaptureService& SystemVideoCaptureService() {
  static DirectShowService service;
  return service;
}

}  // namespace capture
