// The stream of a DirectShow camera is a filter graph with a capture graph
// builder: the camera's pin is connected through the sample grabber, whose
// callback hands each frame to the frame callback, to the default video
// renderer, whose window is shown inside the preview control. Every
// interface of the graph lives here and nowhere else.
#include "capture/win32/directshow_device.h"

#include <ocidl.h>
#include <olectl.h>
#include <qedit.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "capture/win32/media_type.h"

namespace capture {
namespace {

// The sample grabber's class, which the SDK headers do not declare.
constexpr CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// The size of the video capability record the choice of the largest format understands.
constexpr int kVideoCapsRecordSize = 128;

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

HWND ControlOf(const PreviewArea& preview) { return GetDlgItem(static_cast<HWND>(preview.dialog), preview.controlId); }

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

class DirectShowDevice final : public CaptureDevice {
 public:
  explicit DirectShowDevice(ComPtr<IBaseFilter> filter) : filter_(std::move(filter)) {}
  ~DirectShowDevice() override { Stop(); }

  std::optional<StartFailure> Start(const StartRequest& request) override {
    if (!control_) {
      if (std::optional<StartFailure> failure = Build(request)) {
        Stop();  // a half-built graph would run without frames at the next start
        return failure;
      }
    }
    if (const HRESULT hr = control_->Run(); FAILED(hr)) return StartFailure{StartStep::Run, hr};
    return std::nullopt;
  }

  void Stop() override {
    if (control_) control_->Stop();
    if (window_) {
      window_->put_Visible(OAFALSE);
      window_->put_Owner(reinterpret_cast<OAHWND>(nullptr));
    }
    if (graph_) RemoveDownstreamOf(filter_.Get());
    // The grabber may outlive the graph's release a moment; it must not call a callback that is gone.
    if (grabber_) grabber_->SetCallback(nullptr, 1);
    callback_.reset();
    control_.Reset();
    window_.Reset();
    grabber_.Reset();
    grabberFilter_.Reset();
    builder_.Reset();
    graph_.Reset();
  }

  // The stream configuration is found through the graph's builder, which
  // exists while the stream is built.
  std::optional<std::vector<VideoFormat>> Formats() override {
    ComPtr<IAMStreamConfig> config = FindStreamConfig(PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved);
    if (!config) config = FindStreamConfig(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video);
    if (!config) return std::nullopt;
    std::vector<VideoFormat> formats;
    int count = 0, recordSize = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &recordSize))) return formats;
    for (int i = 0; i < count; ++i) {
      if (std::optional<VideoFormat> format = Capability(*config.Get(), i, recordSize)) formats.push_back(*format);
    }
    return formats;
  }

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

 private:
  std::optional<StartFailure> Build(const StartRequest& request) {
    HRESULT hr = CreateGraph();
    if (FAILED(hr)) return StartFailure{StartStep::Interfaces, hr};
    graph_->AddFilter(filter_.Get(), L"Capture Filter");  // a refusal shows at the steps that follow

    hr = CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleGrabber, grabber_.PutVoid());
    if (SUCCEEDED(hr)) hr = grabber_.As(IID_IBaseFilter, grabberFilter_);
    if (FAILED(hr)) return StartFailure{StartStep::Grabber, hr};

    ComPtr<IAMStreamConfig> config = FindStreamConfig(PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved);
    if (!config) config = FindStreamConfig(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video);
    if (!config) return StartFailure{StartStep::StreamConfig, E_NOINTERFACE};
    ApplyChosenFormat(*config.Get(), request.chooseFormat);
    config.Reset();

    AM_MEDIA_TYPE rgb24{};
    rgb24.majortype = MEDIATYPE_Video;
    rgb24.subtype = MEDIASUBTYPE_RGB24;
    if (hr = grabber_->SetMediaType(&rgb24); FAILED(hr)) return StartFailure{StartStep::GrabberType, hr};
    if (hr = graph_->AddFilter(grabberFilter_.Get(), L"Grabber"); FAILED(hr)) {
      return StartFailure{StartStep::AddGrabber, hr};
    }
    hr = builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, filter_.Get(), grabberFilter_.Get(), nullptr);
    if (FAILED(hr)) {
      hr =
          builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, filter_.Get(), grabberFilter_.Get(), nullptr);
    }
    if (FAILED(hr)) return StartFailure{StartStep::Connect, hr};

    LONG width = 0, height = 0;
    if (hr = ConnectedSize(width, height); FAILED(hr)) return StartFailure{StartStep::ConnectedType, hr};
    if (request.connected) request.connected(width, height);
    grabber_->SetBufferSamples(FALSE);
    grabber_->SetOneShot(FALSE);
    callback_ = std::make_unique<GrabberCallback>(*request.frames);
    grabber_->SetCallback(callback_.get(), 1);
    SetupVideoWindow(request.preview, width, height);
    return std::nullopt;
  }

  HRESULT CreateGraph() {
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph_.PutVoid());
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC, IID_ICaptureGraphBuilder2,
                          builder_.PutVoid());
    if (FAILED(hr)) return hr;
    builder_->SetFiltergraph(graph_.Get());
    if (hr = graph_.As(IID_IMediaControl, control_); FAILED(hr)) return hr;
    return graph_.As(IID_IVideoWindow, window_);
  }

  ComPtr<IAMStreamConfig> FindStreamConfig(const GUID& category, const GUID& media) {
    ComPtr<IAMStreamConfig> config;
    if (!builder_ ||
        FAILED(builder_->FindInterface(&category, &media, filter_.Get(), IID_IAMStreamConfig, config.PutVoid()))) {
      config.Reset();
    }
    return config;
  }

  // Capability `index`, read into room for the record the driver says it
  // writes and never less than the standard one.
  static std::optional<VideoFormat> Capability(IAMStreamConfig& config, int index, int recordSize) {
    std::vector<BYTE> record(std::max<std::size_t>(recordSize, sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config.GetStreamCaps(index, &type, record.data())) || type == nullptr) return std::nullopt;
    const VideoFormat format = ToVideoFormat(*type);
    DeleteMediaType(type);
    return format;
  }

  // The capabilities the choice of the largest format looks at: the preview
  // pin's, else the capture pin's, when they come in the standard record.
  std::vector<VideoFormat> CapabilitiesForChoice() {
    ComPtr<IAMStreamConfig> config = FindStreamConfig(PIN_CATEGORY_PREVIEW, MEDIATYPE_Video);
    if (!config) config = FindStreamConfig(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video);
    std::vector<VideoFormat> offered;
    int count = 0, recordSize = 0;
    if (!config || FAILED(config->GetNumberOfCapabilities(&count, &recordSize)) || recordSize != kVideoCapsRecordSize) {
      return offered;
    }
    for (int i = 0; i < count; ++i) {
      if (std::optional<VideoFormat> format = Capability(*config.Get(), i, recordSize)) offered.push_back(*format);
    }
    return offered;
  }

  // Width, height, bit-rate value and subtype of the chosen format go into
  // the pin's current format; every other field stays as the device reports
  // it. A device that refuses keeps its own format.
  void ApplyChosenFormat(IAMStreamConfig& config, const FormatChoice& choose) {
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config.GetFormat(&type)) || type == nullptr) return;
    const VideoFormat chosen = choose ? choose(ToVideoFormat(*type), CapabilitiesForChoice()) : ToVideoFormat(*type);
    // A format block too small for video info has nowhere to take the sizes.
    if (VIDEOINFOHEADER* info = VideoInfoOf(*type)) {
      info->bmiHeader.biWidth = chosen.width;
      info->bmiHeader.biHeight = chosen.height;
      info->dwBitRate = chosen.bitRate;
      type->subtype = ToGuid(chosen.subtype);
      config.SetFormat(type);
    }
    DeleteMediaType(type);
  }

  HRESULT ConnectedSize(LONG& width, LONG& height) {
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

  // The video window becomes a child of the preview control, placed once
  // for this start, with its input sent to the control.
  void SetupVideoWindow(const PreviewArea& preview, LONG width, LONG height) {
    HWND control = ControlOf(preview);
    if (FAILED(window_->put_Owner(reinterpret_cast<OAHWND>(control))) ||
        FAILED(window_->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN))) {
      return;
    }
    RECT client{};
    ClientSize size;
    if (GetClientRect(control, &client)) size = {client.right - client.left, client.bottom - client.top};
    const WindowRect placed = FitVideo(size, width, height);
    window_->SetWindowPosition(placed.left, placed.top, placed.width, placed.height);
    window_->put_Visible(OATRUE);
    window_->put_MessageDrain(reinterpret_cast<OAHWND>(control));
  }

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

  ComPtr<IBaseFilter> filter_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<IMediaControl> control_;  // held while the stream is built
  ComPtr<IVideoWindow> window_;
  ComPtr<ISampleGrabber> grabber_;
  ComPtr<IBaseFilter> grabberFilter_;
  std::unique_ptr<GrabberCallback> callback_;
};

}  // namespace

std::shared_ptr<CaptureDevice> MakeDirectShowDevice(ComPtr<IBaseFilter> filter) {
  return std::make_shared<DirectShowDevice>(std::move(filter));
}

}  // namespace capture
