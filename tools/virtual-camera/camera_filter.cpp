#include "tools/virtual-camera/camera_filter.h"

#include <dshow.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "capture/virtual/scene_renderer.h"
#include "capture/win32/media_type.h"
#include "platform/c_boundary.h"
#include "platform/diagnostics.h"

namespace virtual_camera {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

namespace {

using capture::FreeMediaType;

// The property set of pin properties, which the SDK headers do not declare.
constexpr GUID kPinPropertySet = {0x9B00F101, 0x1567, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
constexpr wchar_t kPinName[] = L"Capture";

std::size_t FrameBytes(LONG width, LONG height) {
  return capture::FrameStride(width) * static_cast<std::size_t>(std::abs(height));
}

HRESULT CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
  target = source;
  if (source.cbFormat != 0) {
    target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (target.pbFormat == nullptr) {
      target.cbFormat = 0;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
  }
  if (target.pUnk != nullptr) target.pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* NewMediaType(const AM_MEDIA_TYPE& source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (type != nullptr && FAILED(CopyMediaType(*type, source))) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

// A frame size the camera offers, as the media type it streams it in.
struct Format {
  LONG width = 0;
  LONG height = 0;
  REFERENCE_TIME frameInterval = 0;

  bool operator==(const Format& other) const { return width == other.width && height == other.height; }
};

// The media type of a format: 24-bit RGB, rows bottom-up. The caller frees its block.
AM_MEDIA_TYPE MediaTypeOf(const Format& format) {
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = static_cast<ULONG>(FrameBytes(format.width, format.height));
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (info == nullptr) {
    type.cbFormat = 0;
    return type;
  }
  *info = VIDEOINFOHEADER{};
  info->AvgTimePerFrame = format.frameInterval;
  info->dwBitRate = static_cast<DWORD>(std::min<double>(
      type.lSampleSize * 8.0 * 10'000'000.0 / std::max<REFERENCE_TIME>(format.frameInterval, 1), 4294967295.0));
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = format.width;
  info->bmiHeader.biHeight = format.height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 24;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biSizeImage = type.lSampleSize;
  type.pbFormat = reinterpret_cast<BYTE*>(info);
  return type;
}

// The format of a media type, when it is one the camera can stream.
std::optional<Format> FormatOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB24 || type.formattype != FORMAT_VideoInfo ||
      type.pbFormat == nullptr || type.cbFormat < sizeof(VIDEOINFOHEADER)) {
    return std::nullopt;
  }
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  return Format{info->bmiHeader.biWidth, info->bmiHeader.biHeight, info->AvgTimePerFrame};
}

// What every object of the filter shares: it answers IUnknown and its own
// interfaces as `Interface`, counts its references and deletes itself at
// the last release, and counts among the module's live objects meanwhile.
template <typename Interface>
class ComObject : public Interface {
 public:
  ComObject() { ++liveObjects; }
  virtual ~ComObject() { --liveObjects; }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || Answers(iid)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  // Whether `iid` names an interface this object answers as `Interface`.
  virtual bool Answers(REFIID iid) const = 0;

 private:
  std::atomic<ULONG> references_{1};
};

class CameraFilter;

// The one output pin: its connection, its stream configuration and its
// category. It lives and counts references with its filter.
class CapturePin final : public IPin, public IAMStreamConfig, public IKsPropertySet {
 public:
  explicit CapturePin(CameraFilter& filter);
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
  void StartStreaming();
  void StopStreaming();
  void Decommit();

 private:
  bool Offers(const Format& format) const;
  HRESULT TryConnection(IPin* receiver, const AM_MEDIA_TYPE& type);
  HRESULT PrepareAllocator(IMemInputPin& input, IMemAllocator** chosen);
  void Stream(IMemAllocator* allocator, IMemInputPin* input, Format format);

  CameraFilter& filter_;
  std::vector<Format> formats_;
  Format current_;

  std::mutex mutex_;  // the connection and the format
  IPin* connected_ = nullptr;
  IMemInputPin* input_ = nullptr;
  IMemAllocator* allocator_ = nullptr;
  AM_MEDIA_TYPE connection_{};

  std::thread streamer_;
  std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopRequested_ = false;
};

class PinEnumerator final : public ComObject<IEnumPins> {
 public:
  PinEnumerator(IPin* pin, ULONG position) : pin_(pin), position_(position) { pin_->AddRef(); }
  ~PinEnumerator() { pin_->Release(); }

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    if (pins == nullptr) return E_POINTER;
    ULONG given = 0;
    if (count > 0 && position_ == 0) {
      pins[0] = pin_;
      pin_->AddRef();
      given = 1;
      position_ = 1;
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    position_ = std::min<ULONG>(1, position_ + count);
    return position_ == 1 && count <= 1 ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = new PinEnumerator(pin_, position_);
    return S_OK;
  }

 protected:
  bool Answers(REFIID iid) const override { return iid == IID_IEnumPins; }

 private:
  IPin* pin_;
  ULONG position_;
};

class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes> {
 public:
  MediaTypeEnumerator(std::vector<Format> formats, ULONG position)
      : formats_(std::move(formats)), position_(position) {}

  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    if (types == nullptr) return E_POINTER;
    ULONG given = 0;
    while (given < count && position_ < formats_.size()) {
      AM_MEDIA_TYPE type = MediaTypeOf(formats_[position_++]);
      types[given] = NewMediaType(type);
      FreeMediaType(type);
      if (types[given] == nullptr) break;
      ++given;
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    position_ = std::min<ULONG>(static_cast<ULONG>(formats_.size()), position_ + count);
    return position_ < formats_.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = new MediaTypeEnumerator(formats_, position_);
    return S_OK;
  }

 protected:
  bool Answers(REFIID iid) const override { return iid == IID_IEnumMediaTypes; }

 private:
  std::vector<Format> formats_;
  ULONG position_;
};

class CameraFilter final : public ComObject<IBaseFilter> {
 public:
  CameraFilter()
      : scene_(std::make_shared<const capture::Scene>(capture::SceneFromEnvironment())),
        renderer_(scene_),
        pin_(*this) {}
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
  STDMETHODIMP Pause() override {
    std::lock_guard lock(stateMutex_);
    if (state_ == State_Stopped) {
      if (const HRESULT hr = pin_.Commit(); FAILED(hr)) return hr;
    }
    pin_.StopStreaming();
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
    *pins = new PinEnumerator(&pin_, 0);
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

  const capture::Scene& Scene() const { return *scene_; }
  const capture::SceneRenderer& Renderer() const { return renderer_; }

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

CapturePin::CapturePin(CameraFilter& filter) : filter_(filter) {
  const capture::Scene& scene = filter_.Scene();
  for (const capture::VideoFormat& format : scene.formats) {
    formats_.push_back({format.width, format.height, std::max<REFERENCE_TIME>(format.frameInterval, 1)});
  }
  const capture::VideoFormat initial = scene.InitialFormat();
  current_ = {initial.width, initial.height, std::max<REFERENCE_TIME>(initial.frameInterval, 1)};
}

CapturePin::~CapturePin() { FreeMediaType(connection_); }

STDMETHODIMP CapturePin::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPin) {
    *object = static_cast<IPin*>(this);
  } else if (iid == IID_IAMStreamConfig) {
    *object = static_cast<IAMStreamConfig*>(this);
  } else if (iid == IID_IKsPropertySet) {
    *object = static_cast<IKsPropertySet*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CapturePin::AddRef() { return filter_.AddRef(); }
STDMETHODIMP_(ULONG) CapturePin::Release() { return filter_.Release(); }

bool CapturePin::Offers(const Format& format) const {
  if (std::find(formats_.begin(), formats_.end(), format) == formats_.end()) return false;
  const auto& refused = filter_.Scene().refusedSizes;
  return std::find(refused.begin(), refused.end(),
                   std::pair<std::int32_t, std::int32_t>{format.width, format.height}) == refused.end();
}

STDMETHODIMP CapturePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* type) {
  if (receiver == nullptr) return E_POINTER;
  {
    std::lock_guard lock(mutex_);
    if (connected_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  }
  // The pin streams in its current format only.
  Format format;
  {
    std::lock_guard lock(mutex_);
    format = current_;
  }
  if (type != nullptr && type->majortype != GUID_NULL) {
    const std::optional<Format> asked = FormatOf(*type);
    if (type->formattype != GUID_NULL && (!asked || !(*asked == format))) return VFW_E_TYPE_NOT_ACCEPTED;
    if (type->subtype != GUID_NULL && type->subtype != MEDIASUBTYPE_RGB24) return VFW_E_TYPE_NOT_ACCEPTED;
  }
  AM_MEDIA_TYPE offered = MediaTypeOf(format);
  const HRESULT hr = TryConnection(receiver, offered);
  FreeMediaType(offered);
  return hr;
}

HRESULT CapturePin::TryConnection(IPin* receiver, const AM_MEDIA_TYPE& type) {
  HRESULT hr = receiver->ReceiveConnection(this, &type);
  if (FAILED(hr)) return VFW_E_NO_ACCEPTABLE_TYPES;
  IMemInputPin* input = nullptr;
  hr = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
  IMemAllocator* allocator = nullptr;
  if (SUCCEEDED(hr)) hr = PrepareAllocator(*input, &allocator);
  if (FAILED(hr)) {
    if (input != nullptr) input->Release();
    receiver->Disconnect();
    return hr;
  }
  std::lock_guard lock(mutex_);
  connected_ = receiver;
  connected_->AddRef();
  input_ = input;
  allocator_ = allocator;
  FreeMediaType(connection_);
  CopyMediaType(connection_, type);
  return S_OK;
}

HRESULT CapturePin::PrepareAllocator(IMemInputPin& input, IMemAllocator** chosen) {
  IMemAllocator* allocator = nullptr;
  if (FAILED(input.GetAllocator(&allocator)) || allocator == nullptr) {
    const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                        reinterpret_cast<void**>(&allocator));
    if (FAILED(hr)) return hr;
  }
  ALLOCATOR_PROPERTIES wanted{};
  input.GetAllocatorRequirements(&wanted);
  Format format;
  {
    std::lock_guard lock(mutex_);
    format = current_;
  }
  wanted.cBuffers = std::max<long>(wanted.cBuffers, 2);
  wanted.cbBuffer = std::max<long>(wanted.cbBuffer, static_cast<long>(FrameBytes(format.width, format.height)));
  wanted.cbAlign = std::max<long>(wanted.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (SUCCEEDED(hr)) hr = input.NotifyAllocator(allocator, FALSE);
  if (FAILED(hr)) {
    allocator->Release();
    return hr;
  }
  *chosen = allocator;
  return S_OK;
}

STDMETHODIMP CapturePin::Disconnect() {
  StopStreaming();
  std::lock_guard lock(mutex_);
  if (connected_ == nullptr) return S_FALSE;
  connected_->Release();
  connected_ = nullptr;
  if (input_ != nullptr) input_->Release();
  input_ = nullptr;
  if (allocator_ != nullptr) allocator_->Release();
  allocator_ = nullptr;
  FreeMediaType(connection_);
  connection_ = AM_MEDIA_TYPE{};
  return S_OK;
}

STDMETHODIMP CapturePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *pin = connected_;
  if (connected_ == nullptr) return VFW_E_NOT_CONNECTED;
  connected_->AddRef();
  return S_OK;
}

STDMETHODIMP CapturePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (connected_ == nullptr) {
    *type = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(*type, connection_);
}

STDMETHODIMP CapturePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = &filter_;
  filter_.AddRef();
  info->dir = PINDIR_OUTPUT;
  std::wcsncpy(info->achName, kPinName, MAX_PIN_NAME);
  return S_OK;
}

STDMETHODIMP CapturePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
  if (*id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*id, kPinName, sizeof kPinName);
  return S_OK;
}

STDMETHODIMP CapturePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  const std::optional<Format> format = FormatOf(*type);
  return format && Offers(*format) ? S_OK : S_FALSE;
}

STDMETHODIMP CapturePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *types = new MediaTypeEnumerator({current_}, 0);
  return S_OK;
}

STDMETHODIMP CapturePin::SetFormat(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  const std::optional<Format> format = FormatOf(*type);
  if (!format || !Offers(*format)) return VFW_E_INVALIDMEDIATYPE;
  std::lock_guard lock(mutex_);
  if (connected_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  const auto offered = std::find(formats_.begin(), formats_.end(), *format);
  current_ = *offered;
  return S_OK;
}

STDMETHODIMP CapturePin::GetFormat(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  AM_MEDIA_TYPE current = MediaTypeOf(current_);
  *type = NewMediaType(current);
  FreeMediaType(current);
  return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = static_cast<int>(formats_.size());
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
  if (type == nullptr || caps == nullptr) return E_POINTER;
  if (index < 0 || static_cast<std::size_t>(index) >= formats_.size()) return S_FALSE;
  const Format& format = formats_[static_cast<std::size_t>(index)];
  AM_MEDIA_TYPE offered = MediaTypeOf(format);
  *type = NewMediaType(offered);
  FreeMediaType(offered);
  if (*type == nullptr) return E_OUTOFMEMORY;
  VIDEO_STREAM_CONFIG_CAPS record{};
  record.guid = FORMAT_VideoInfo;
  record.InputSize = record.MinCroppingSize = record.MaxCroppingSize = record.MinOutputSize =
      record.MaxOutputSize = {format.width, format.height};
  record.CropGranularityX = record.CropGranularityY = record.OutputGranularityX = record.OutputGranularityY = 1;
  record.MinFrameInterval = record.MaxFrameInterval = format.frameInterval;
  std::memcpy(caps, &record, sizeof record);
  return S_OK;
}

STDMETHODIMP CapturePin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD size, DWORD* returned) {
  if (set != kPinPropertySet) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (data == nullptr && returned == nullptr) return E_POINTER;
  if (returned != nullptr) *returned = sizeof(GUID);
  if (data == nullptr) return S_OK;
  if (size < sizeof(GUID)) return E_UNEXPECTED;
  *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
  return S_OK;
}

STDMETHODIMP CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  if (set != kPinPropertySet) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support != nullptr) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

HRESULT CapturePin::Commit() {
  std::lock_guard lock(mutex_);
  return allocator_ != nullptr ? allocator_->Commit() : S_OK;
}

void CapturePin::Decommit() {
  std::lock_guard lock(mutex_);
  if (allocator_ != nullptr) allocator_->Decommit();
}

void CapturePin::StartStreaming() {
  if (streamer_.joinable()) return;
  IMemAllocator* allocator = nullptr;
  IMemInputPin* input = nullptr;
  Format format;
  {
    std::lock_guard lock(mutex_);
    if (allocator_ == nullptr || input_ == nullptr) return;
    allocator = allocator_;
    input = input_;
    allocator->AddRef();
    input->AddRef();
    const std::optional<Format> connected = FormatOf(connection_);
    format = connected ? *connected : current_;
  }
  {
    std::lock_guard lock(stopMutex_);
    stopRequested_ = false;
  }
  streamer_ = std::thread([this, allocator, input, format] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // An exception leaving a thread's function ends the process: a failed
    // stream just ends, as a camera unplugged while it runs.
    platform::GuardCBoundary([&] { Stream(allocator, input, format); },
                             [](const char* what) {
                               platform::DebugOutput("MervaleCamera: the stream failed: ");
                               platform::DebugOutput(what);
                               platform::DebugOutput("\n");
                             });
    allocator->Release();
    input->Release();
    CoUninitialize();
  });
}

void CapturePin::StopStreaming() {
  if (!streamer_.joinable()) return;
  {
    std::lock_guard lock(stopMutex_);
    stopRequested_ = true;
  }
  stopSignal_.notify_all();
  // A thread waiting for a buffer is released by decommitting the allocator.
  {
    std::lock_guard lock(mutex_);
    if (allocator_ != nullptr) allocator_->Decommit();
  }
  streamer_.join();
  std::lock_guard lock(mutex_);
  if (allocator_ != nullptr) allocator_->Commit();
}

// Frames at the scene's rate, each the desk the scene shows at that frame,
// stamped with its time from the start of the stream.
void CapturePin::Stream(IMemAllocator* allocator, IMemInputPin* input, Format format) {
  using Clock = std::chrono::steady_clock;
  const capture::Scene& scene = filter_.Scene();
  const REFERENCE_TIME interval = static_cast<REFERENCE_TIME>(10'000'000.0 / scene.framesPerSecond);
  const auto period =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / scene.framesPerSecond));
  std::vector<std::uint8_t> frame;
  std::optional<capture::DeskState> drawn;
  auto due = Clock::now();
  for (std::int64_t index = 0;; ++index) {
    {
      std::unique_lock lock(stopMutex_);
      if (stopSignal_.wait_until(lock, due, [this] { return stopRequested_; })) return;
    }
    capture::DeskState desk = capture::DeskAt(scene, index);
    if (!drawn || desk != *drawn) {
      filter_.Renderer().Render(desk, format.width, std::abs(format.height), frame);
      drawn = std::move(desk);
    }
    IMediaSample* sample = nullptr;
    if (FAILED(allocator->GetBuffer(&sample, nullptr, nullptr, 0)) || sample == nullptr) return;
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data != nullptr &&
        static_cast<std::size_t>(sample->GetSize()) >= frame.size()) {
      std::memcpy(data, frame.data(), frame.size());
      sample->SetActualDataLength(static_cast<long>(frame.size()));
      REFERENCE_TIME start = index * interval, end = start + interval;
      sample->SetTime(&start, &end);
      sample->SetSyncPoint(TRUE);
      input->Receive(sample);
    }
    sample->Release();
    due = std::max(due + period, Clock::now());
  }
}

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
