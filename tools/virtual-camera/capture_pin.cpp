#include "tools/virtual-camera/capture_pin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "capture/win32/media_type.h"
#include "platform/c_boundary.h"
#include "platform/diagnostics.h"
#include "tools/virtual-camera/enumerators.h"

namespace virtual_camera {
namespace {

using capture::FreeMediaType;

// The property set of pin properties, which the SDK headers do not declare.
constexpr GUID kPinPropertySet = {0x9B00F101, 0x1567, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};

}  // namespace

CapturePin::CapturePin(IBaseFilter& filter, const capture::Scene& scene, const capture::SceneRenderer& renderer)
    : filter_(filter), scene_(scene), renderer_(renderer) {
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
  const auto& refused = scene_.refusedSizes;
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
  *types = NewMediaTypeEnumerator({current_});
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
  delivering_.store(true);
  if (stream_.Streaming()) return;
  ReleaseStreamPins();  // of a stream that ended on its own
  Format format;
  {
    std::lock_guard lock(mutex_);
    if (allocator_ == nullptr || input_ == nullptr) return;
    streamAllocator_ = allocator_;
    streamInput_ = input_;
    streamAllocator_->AddRef();
    streamInput_->AddRef();
    const std::optional<Format> connected = FormatOf(connection_);
    format = connected ? *connected : current_;
  }
  stream_.Start(scene_, renderer_, format.width, std::abs(format.height), *this);
}

void CapturePin::StopStreaming() {
  if (streamAllocator_ == nullptr) return;
  stream_.Stop();
  ReleaseStreamPins();
  std::lock_guard lock(mutex_);
  if (allocator_ != nullptr) allocator_->Commit();
}

void CapturePin::ReleaseStreamPins() {
  if (streamAllocator_ != nullptr) std::exchange(streamAllocator_, nullptr)->Release();
  if (streamInput_ != nullptr) std::exchange(streamInput_, nullptr)->Release();
}

// A thread waiting for a buffer is released by decommitting the allocator.
void CapturePin::Interrupt() {
  std::lock_guard lock(mutex_);
  if (allocator_ != nullptr) allocator_->Decommit();
}

void CapturePin::OnStreamingThread(const std::function<void()>& play) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  // An exception leaving a thread's function ends the process: a failed
  // stream just ends, as a camera unplugged while it runs.
  platform::GuardCBoundary(play, [](const char* what) {
    platform::DebugOutput("MervaleCamera: the stream failed: ");
    platform::DebugOutput(what);
    platform::DebugOutput("\n");
  });
  CoUninitialize();
}

// Each frame stamped with its time from the start of the stream. A stream
// whose allocator gives no more buffers (decommitted by a stop) ends.
bool CapturePin::Deliver(const capture::PacedFrame& frame) {
  if (!delivering_.load()) return true;  // held while paused
  const auto interval = static_cast<REFERENCE_TIME>(10'000'000.0 / scene_.framesPerSecond);
  IMediaSample* sample = nullptr;
  if (FAILED(streamAllocator_->GetBuffer(&sample, nullptr, nullptr, 0)) || sample == nullptr) return false;
  BYTE* data = nullptr;
  if (SUCCEEDED(sample->GetPointer(&data)) && data != nullptr &&
      static_cast<std::size_t>(sample->GetSize()) >= frame.pixels.size()) {
    std::memcpy(data, frame.pixels.data(), frame.pixels.size());
    sample->SetActualDataLength(static_cast<long>(frame.pixels.size()));
    REFERENCE_TIME start = frame.index * interval, end = start + interval;
    sample->SetTime(&start, &end);
    sample->SetSyncPoint(TRUE);
    streamInput_->Receive(sample);
  }
  sample->Release();
  return true;
}

}  // namespace virtual_camera
