// The camera filter's one output pin: its connection, its stream
// configuration, its category, and the stream of frames it delivers while
// the filter runs.
#pragma once

#include <dshow.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "capture/virtual/frame_stream.h"
#include "tools/virtual-camera/stream_format.h"

namespace virtual_camera {

inline constexpr wchar_t kPinName[] = L"Capture";

// The one output pin: its connection, its stream configuration and its
// category. It lives and counts references with its filter.
class CapturePin final : public IPin, public IAMStreamConfig, public IKsPropertySet, private capture::FrameSink {
 public:
  // `filter` counts the pin's references and is the pin's owner in its
  // information; the scene and the renderer live as long as the filter.
  CapturePin(IBaseFilter& filter, const capture::Scene& scene, const capture::SceneRenderer& renderer);
  ~CapturePin();

  // IUnknown, shared with the filter.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPin
  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
    if (direction == nullptr) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

  // IKsPropertySet: the pin category.
  STDMETHODIMP Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD size, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

  // Filter states.
  HRESULT Commit();
  // Frames flow from StartStreaming; HoldStreaming keeps the thread and its
  // pace but delivers nothing until the next StartStreaming; StopStreaming
  // ends the thread.
  void StartStreaming();
  void HoldStreaming() { delivering_.store(false); }
  void StopStreaming();
  void Decommit();

 private:
  bool Offers(const Format& format) const;
  HRESULT TryConnection(IPin* receiver, const AM_MEDIA_TYPE& type);
  HRESULT PrepareAllocator(IMemInputPin& input, IMemAllocator** chosen);
  void ReleaseStreamPins();

  // The frames, on the streaming thread.
  void OnStreamingThread(const std::function<void()>& play) override;
  bool Deliver(const capture::PacedFrame& frame) override;
  void Interrupt() override;

  IBaseFilter& filter_;
  const capture::Scene& scene_;
  const capture::SceneRenderer& renderer_;
  std::vector<Format> formats_;
  Format current_;

  std::mutex mutex_;  // the connection and the format
  IPin* connected_ = nullptr;
  IMemInputPin* input_ = nullptr;
  IMemAllocator* allocator_ = nullptr;
  AM_MEDIA_TYPE connection_{};

  // What the stream delivers into, held from its start until it has stopped.
  IMemAllocator* streamAllocator_ = nullptr;
  IMemInputPin* streamInput_ = nullptr;
  std::atomic<bool> delivering_{false};
  capture::FrameStream stream_;
};

}  // namespace virtual_camera
