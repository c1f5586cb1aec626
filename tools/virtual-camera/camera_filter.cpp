#include "tools/virtual-camera/camera_filter.h"

#include <dshow.h>

#include <cwchar>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "capture/virtual/scene.h"
#include "capture/virtual/scene_renderer.h"
#include "tools/virtual-camera/capture_pin.h"
#include "tools/virtual-camera/com_object.h"
#include "tools/virtual-camera/enumerators.h"

namespace virtual_camera {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

namespace {

class CameraFilter final : public ComObject<IBaseFilter> {
 public:
  CameraFilter()
      : scene_(std::make_shared<const capture::Scene>(capture::SceneFromEnvironment())),
        renderer_(scene_),
        pin_(*this, *scene_, renderer_) {}
  ~CameraFilter() {
    pin_.StopStreaming();
    pin_.Decommit();
    pin_.Disconnect();
    if (clock_ != nullptr) clock_->Release();
  }

  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = kFilterClsid;
    return S_OK;
  }

  // IMediaFilter: a live source, so there is nothing to cue while paused.
  STDMETHODIMP Stop() override {
    std::lock_guard lock(stateMutex_);
    pin_.StopStreaming();
    pin_.Decommit();
    state_ = State_Stopped;
    return S_OK;
  }
  // A running stream is only held: the graph pauses the renderer first,
  // which keeps a frame delivered meanwhile until it runs or stops, so
  // waiting here for the streaming thread would wait for ever.
  STDMETHODIMP Pause() override {
    std::lock_guard lock(stateMutex_);
    if (state_ == State_Stopped) {
      if (const HRESULT hr = pin_.Commit(); FAILED(hr)) return hr;
    }
    pin_.HoldStreaming();
    state_ = State_Paused;
    return S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    std::lock_guard lock(stateMutex_);
    if (state_ == State_Stopped) {
      if (const HRESULT hr = pin_.Commit(); FAILED(hr)) return hr;
    }
    pin_.StartStreaming();
    state_ = State_Running;
    return S_OK;
  }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
    if (state == nullptr) return E_POINTER;
    std::lock_guard lock(stateMutex_);
    *state = state_;
    return state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
  }
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override {
    std::lock_guard lock(stateMutex_);
    if (clock != nullptr) clock->AddRef();
    if (clock_ != nullptr) clock_->Release();
    clock_ = clock;
    return S_OK;
  }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
    if (clock == nullptr) return E_POINTER;
    std::lock_guard lock(stateMutex_);
    *clock = clock_;
    if (clock_ != nullptr) clock_->AddRef();
    return S_OK;
  }

  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override {
    if (pins == nullptr) return E_POINTER;
    *pins = NewPinEnumerator(pin_);
    return S_OK;
  }
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override {
    if (pin == nullptr) return E_POINTER;
    *pin = nullptr;
    if (id == nullptr || std::wcscmp(id, kPinName) != 0) return VFW_E_NOT_FOUND;
    *pin = &pin_;
    pin_.AddRef();
    return S_OK;
  }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
    if (info == nullptr) return E_POINTER;
    std::lock_guard lock(stateMutex_);
    std::wcsncpy(info->achName, name_.c_str(), MAX_FILTER_NAME - 1);
    info->achName[MAX_FILTER_NAME - 1] = L'\0';
    info->pGraph = graph_;
    if (graph_ != nullptr) graph_->AddRef();
    return S_OK;
  }
  // The graph owns its filters, so the filter keeps no reference to it.
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
    std::lock_guard lock(stateMutex_);
    graph_ = graph;
    name_ = name != nullptr ? name : L"";
    return S_OK;
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 protected:
  bool Answers(REFIID iid) const override {
    return iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter;
  }

 private:
  std::shared_ptr<const capture::Scene> scene_;
  capture::SceneRenderer renderer_;
  CapturePin pin_;
  std::mutex stateMutex_;
  FILTER_STATE state_ = State_Stopped;
  IReferenceClock* clock_ = nullptr;
  IFilterGraph* graph_ = nullptr;
  std::wstring name_;
};

}  // namespace

HRESULT CreateCameraFilter(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  auto* filter = new (std::nothrow) CameraFilter();
  if (filter == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = filter->QueryInterface(iid, object);
  filter->Release();
  return hr;
}

}  // namespace virtual_camera
