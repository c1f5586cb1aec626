// The capture service on Windows: DirectShow. The devices are the video
// input category of the system device enumerator; a graph is a filter graph
// with a capture graph builder; frames come through the sample grabber.
#include <dshow.h>
#include <ocidl.h>
#include <olectl.h>
#include <qedit.h>
#include <windows.h>

#include <vector>

#include "capture/system_capture_service.h"
#include "capture/win32/com_ptr.h"
#include "capture/win32/media_type.h"
#include "platform/win32/wide_text.h"

namespace capture {
namespace {

// The sample grabber's class, which the SDK headers do not declare.
constexpr CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

// Device texts are read into buffers of this size in the ANSI code page.
constexpr int kDeviceTextBuffer = 1024;

GUID ToGuid(const MediaSubtype& subtype) {
  GUID guid{subtype.data1, subtype.data2, subtype.data3, {}};
  std::copy(subtype.data4.begin(), subtype.data4.end(), guid.Data4);
  return guid;
}

MediaSubtype FromGuid(const GUID& guid) {
  MediaSubtype subtype{guid.Data1, guid.Data2, guid.Data3, {}};
  std::copy(std::begin(guid.Data4), std::end(guid.Data4), subtype.data4.begin());
  return subtype;
}

// The video-info block of a media type, when it has one large enough to read.
VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type) {
  if (type.pbFormat == nullptr || type.cbFormat < sizeof(VIDEOINFOHEADER)) return nullptr;
  return reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
}

// The fields the source reads. A block too small for video info leaves the
// sizes 0, which no format choice takes.
VideoFormat ToVideoFormat(const AM_MEDIA_TYPE& type) {
  VideoFormat format;
  format.formatType = type.formattype == FORMAT_VideoInfo ? FormatType::VideoInfo : FormatType::Other;
  format.subtype = FromGuid(type.subtype);
  if (const VIDEOINFOHEADER* info = VideoInfoOf(type)) {
    format.width = info->bmiHeader.biWidth;
    format.height = info->bmiHeader.biHeight;
    format.bitRate = info->dwBitRate;
    format.frameInterval = info->AvgTimePerFrame;
  }
  return format;
}

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

HWND ControlOf(const PreviewArea& preview) { return GetDlgItem(static_cast<HWND>(preview.dialog), preview.controlId); }

const GUID& CategoryOf(PinCategory category) {
  return category == PinCategory::Preview ? PIN_CATEGORY_PREVIEW : PIN_CATEGORY_CAPTURE;
}

class DirectShowDevice final : public CaptureDevice {
 public:
  explicit DirectShowDevice(ComPtr<IBaseFilter> filter) : filter_(std::move(filter)) {}

  bool ShowPropertySheet(platform::WindowHandle owner) override {
    ComPtr<ISpecifyPropertyPages> pages;
    if (FAILED(filter_.As(IID_ISpecifyPropertyPages, pages))) return false;
    CAUUID list{0, nullptr};
    if (FAILED(pages->GetPages(&list))) return false;
    IUnknown* object = filter_.Get();
    OleCreatePropertyFrame(static_cast<HWND>(owner), 30, 30, nullptr, 1, &object, list.cElems, list.pElems, 0, 0,
                           nullptr);
    CoTaskMemFree(list.pElems);
    return true;
  }

  IBaseFilter* Filter() const { return filter_.Get(); }

 private:
  ComPtr<IBaseFilter> filter_;
};

class DirectShowDeviceEntry final : public DeviceEntry {
 public:
  explicit DirectShowDeviceEntry(IMoniker& moniker) : moniker_(moniker) {}

  std::shared_ptr<CaptureDevice> Bind() override {
    ComPtr<IBaseFilter> filter;
    if (FAILED(moniker_.BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())) || !filter) return nullptr;
    return std::make_shared<DirectShowDevice>(std::move(filter));
  }

 private:
  IMoniker& moniker_;
};

class DirectShowStreamConfig final : public StreamConfig {
 public:
  explicit DirectShowStreamConfig(ComPtr<IAMStreamConfig> config) : config_(std::move(config)) {}

  Status GetFormat(VideoFormat& format) override {
    AM_MEDIA_TYPE* type = nullptr;
    const HRESULT hr = config_->GetFormat(&type);
    if (FAILED(hr)) return hr;
    if (type == nullptr) return E_POINTER;
    format = ToVideoFormat(*type);
    DeleteMediaType(type);
    return S_OK;
  }

  Status SetFormat(const VideoFormat& format) override {
    AM_MEDIA_TYPE* type = nullptr;
    HRESULT hr = config_->GetFormat(&type);
    if (FAILED(hr)) return hr;
    if (type == nullptr) return E_POINTER;
    if (VIDEOINFOHEADER* info = VideoInfoOf(*type)) {
      info->bmiHeader.biWidth = format.width;
      info->bmiHeader.biHeight = format.height;
      info->dwBitRate = format.bitRate;
      type->subtype = ToGuid(format.subtype);
      hr = config_->SetFormat(type);
    } else {
      hr = VFW_E_INVALIDMEDIATYPE;  // nothing the sizes could be written into
    }
    DeleteMediaType(type);
    return hr;
  }

  Status GetNumberOfCapabilities(int& count, int& recordSize) override {
    return config_->GetNumberOfCapabilities(&count, &recordSize);
  }

  Status GetStreamCaps(int index, VideoFormat& format) override {
    int count = 0, recordSize = 0;
    HRESULT hr = config_->GetNumberOfCapabilities(&count, &recordSize);
    if (FAILED(hr)) return hr;
    // Room for the record the driver says it writes, and never less than the standard one.
    std::vector<BYTE> record(std::max<std::size_t>(recordSize, sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    AM_MEDIA_TYPE* type = nullptr;
    hr = config_->GetStreamCaps(index, &type, record.data());
    if (FAILED(hr)) return hr;
    if (type == nullptr) return E_POINTER;
    format = ToVideoFormat(*type);
    DeleteMediaType(type);
    return hr;
  }

 private:
  ComPtr<IAMStreamConfig> config_;
};

// The frame callback as the grabber calls it. It is never freed through
// its interface, so it does not count references.
class GrabberCallback final : public ISampleGrabberCB {
 public:
  explicit GrabberCallback(FrameCallback& target) : target_(target) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_ISampleGrabberCB || iid == IID_IUnknown) {
      *object = static_cast<ISampleGrabberCB*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  // The grabber is set to hand over buffers, not samples.
  STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
  STDMETHODIMP BufferCB(double sampleTime, BYTE* buffer, long length) override {
    return target_.BufferCB(sampleTime, buffer, length);
  }

 private:
  FrameCallback& target_;
};

class DirectShowGrabber final : public SampleGrabber {
 public:
  DirectShowGrabber(ComPtr<ISampleGrabber> grabber, ComPtr<IBaseFilter> filter)
      : grabber_(std::move(grabber)), filter_(std::move(filter)) {}
  ~DirectShowGrabber() override {
    // The grabber may outlive this object in its graph; it must not call a callback that is gone.
    if (callback_) grabber_->SetCallback(nullptr, 1);
  }

  Status SetMediaTypeRgb24() override {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    return grabber_->SetMediaType(&type);
  }

  Status GetConnectedSize(std::int32_t& width, std::int32_t& height) override {
    AM_MEDIA_TYPE type{};
    HRESULT hr = grabber_->GetConnectedMediaType(&type);
    if (FAILED(hr)) return hr;
    if (const VIDEOINFOHEADER* info = VideoInfoOf(type)) {
      width = info->bmiHeader.biWidth;
      height = info->bmiHeader.biHeight;
    } else {
      hr = VFW_E_INVALIDMEDIATYPE;  // no frame size to read
    }
    FreeMediaType(type);
    return hr;
  }

  void DeliverTo(FrameCallback* callback) override {
    grabber_->SetBufferSamples(FALSE);
    grabber_->SetOneShot(FALSE);
    callback_ = callback != nullptr ? std::make_unique<GrabberCallback>(*callback) : nullptr;
    grabber_->SetCallback(callback_.get(), 1);
  }

  IBaseFilter* Filter() const { return filter_.Get(); }

 private:
  ComPtr<ISampleGrabber> grabber_;
  ComPtr<IBaseFilter> filter_;
  std::unique_ptr<GrabberCallback> callback_;
};

class DirectShowMediaControl final : public MediaControl {
 public:
  explicit DirectShowMediaControl(ComPtr<IMediaControl> control) : control_(std::move(control)) {}
  Status Run() override { return control_->Run(); }
  Status Stop() override { return control_->Stop(); }

 private:
  ComPtr<IMediaControl> control_;
};

class DirectShowVideoWindow final : public VideoWindow {
 public:
  explicit DirectShowVideoWindow(ComPtr<IVideoWindow> window) : window_(std::move(window)) {}

  Status SetOwner(const std::optional<PreviewArea>& owner) override {
    return window_->put_Owner(reinterpret_cast<OAHWND>(owner ? ControlOf(*owner) : nullptr));
  }
  Status SetChildStyle() override { return window_->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN); }
  void SetPosition(const WindowRect& rect) override {
    window_->SetWindowPosition(rect.left, rect.top, rect.width, rect.height);
  }
  void SetVisible(bool visible) override { window_->put_Visible(visible ? OATRUE : OAFALSE); }
  void SetMessageDrain(const PreviewArea& preview) override {
    window_->put_MessageDrain(reinterpret_cast<OAHWND>(ControlOf(preview)));
  }

 private:
  ComPtr<IVideoWindow> window_;
};

IBaseFilter* FilterOf(CaptureDevice* device) {
  auto* ours = dynamic_cast<DirectShowDevice*>(device);
  return ours != nullptr ? ours->Filter() : nullptr;
}

class DirectShowGraph final : public FilterGraph {
 public:
  DirectShowGraph(ComPtr<IGraphBuilder> graph, ComPtr<ICaptureGraphBuilder2> builder)
      : graph_(std::move(graph)), builder_(std::move(builder)) {}

  std::unique_ptr<MediaControl> QueryMediaControl(Status& status) override {
    ComPtr<IMediaControl> control;
    status = graph_.As(IID_IMediaControl, control);
    if (FAILED(status)) return nullptr;
    return std::make_unique<DirectShowMediaControl>(std::move(control));
  }

  std::unique_ptr<VideoWindow> QueryVideoWindow(Status& status) override {
    ComPtr<IVideoWindow> window;
    status = graph_.As(IID_IVideoWindow, window);
    if (FAILED(status)) return nullptr;
    return std::make_unique<DirectShowVideoWindow>(std::move(window));
  }

  Status AddCaptureDevice(CaptureDevice* device, std::string_view name) override {
    IBaseFilter* filter = FilterOf(device);
    if (filter == nullptr) return E_POINTER;
    return graph_->AddFilter(filter, platform::Widen(name).c_str());
  }

  Status AddGrabber(SampleGrabber& grabber, std::string_view name) override {
    auto* ours = dynamic_cast<DirectShowGrabber*>(&grabber);
    if (ours == nullptr) return E_POINTER;
    return graph_->AddFilter(ours->Filter(), platform::Widen(name).c_str());
  }

  std::unique_ptr<StreamConfig> FindStreamConfig(CaptureDevice* device, PinCategory category,
                                                 StreamMedia media) override {
    IBaseFilter* filter = FilterOf(device);
    if (filter == nullptr) return nullptr;
    const GUID& type = media == StreamMedia::Interleaved ? MEDIATYPE_Interleaved : MEDIATYPE_Video;
    ComPtr<IAMStreamConfig> config;
    if (FAILED(builder_->FindInterface(&CategoryOf(category), &type, filter, IID_IAMStreamConfig, config.PutVoid())) ||
        !config) {
      return nullptr;
    }
    return std::make_unique<DirectShowStreamConfig>(std::move(config));
  }

  Status RenderStream(PinCategory category, CaptureDevice& device, SampleGrabber& grabber) override {
    IBaseFilter* filter = FilterOf(&device);
    auto* ours = dynamic_cast<DirectShowGrabber*>(&grabber);
    if (filter == nullptr || ours == nullptr) return E_POINTER;
    return builder_->RenderStream(&CategoryOf(category), &MEDIATYPE_Video, filter, ours->Filter(), nullptr);
  }

  void RemoveDownstream(CaptureDevice& device) override {
    if (IBaseFilter* filter = FilterOf(&device)) RemoveDownstreamOf(filter);
  }

 private:
  // Depth first: every filter fed by one of this filter's pins is emptied of
  // its own downstream filters, disconnected and taken out of the graph.
  void RemoveDownstreamOf(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())) || !pins) return;
    pins->Reset();
    for (;;) {
      ComPtr<IPin> pin;
      if (pins->Next(1, pin.Put(), nullptr) != S_OK || !pin) break;
      ComPtr<IPin> connected;
      if (FAILED(pin->ConnectedTo(connected.Put())) || !connected) continue;
      PIN_INFO info{};
      if (FAILED(connected->QueryPinInfo(&info))) continue;
      ComPtr<IBaseFilter> owner(info.pFilter);  // QueryPinInfo hands over a reference
      if (info.dir == PINDIR_INPUT && owner) {
        RemoveDownstreamOf(owner.Get());
        graph_->Disconnect(connected.Get());
        graph_->Disconnect(pin.Get());
        graph_->RemoveFilter(owner.Get());
      }
    }
  }

  ComPtr<IGraphBuilder> graph_;
  ComPtr<ICaptureGraphBuilder2> builder_;
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

  std::unique_ptr<FilterGraph> CreateGraph(Status& status) override {
    ComPtr<IGraphBuilder> graph;
    status = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid());
    if (FAILED(status)) return nullptr;
    ComPtr<ICaptureGraphBuilder2> builder;
    status = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC, IID_ICaptureGraphBuilder2,
                              builder.PutVoid());
    if (FAILED(status)) return nullptr;
    builder->SetFiltergraph(graph.Get());
    return std::make_unique<DirectShowGraph>(std::move(graph), std::move(builder));
  }

  std::unique_ptr<SampleGrabber> CreateSampleGrabber(Status& status) override {
    ComPtr<ISampleGrabber> grabber;
    status =
        CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleGrabber, grabber.PutVoid());
    if (FAILED(status)) return nullptr;
    ComPtr<IBaseFilter> filter;
    status = grabber.As(IID_IBaseFilter, filter);
    if (FAILED(status)) return nullptr;
    return std::make_unique<DirectShowGrabber>(std::move(grabber), std::move(filter));
  }

  ClientSize PreviewClientSize(const PreviewArea& preview) override {
    RECT client{};
    if (!GetClientRect(ControlOf(preview), &client)) return {};
    return {client.right - client.left, client.bottom - client.top};
  }
};

}  // namespace

VideoCaptureService& SystemVideoCaptureService() {
  static DirectShowService service;
  return service;
}

}  // namespace capture
