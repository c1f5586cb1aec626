// Picture codecs through the Windows Imaging Component. Decoding converts
// each frame to one of our depths and copies it row by row into the
// bottom-up rows; encoding hands the encoder a top-down copy in our format
// and lets it convert to what the file format holds.
#include <wincodec.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/picture_codecs.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// Holds one reference to a COM object and releases it.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (object_) object_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  T** Out() { return &object_; }
  void** OutVoid() { return reinterpret_cast<void**>(&object_); }
  T* operator->() const { return object_; }
  T* Get() const { return object_; }

 private:
  T* object_ = nullptr;
};

// The component system for the calling thread while the codec runs; a
// thread that already entered it (in either model) keeps it as it was.
class ComponentScope {
 public:
  ComponentScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComponentScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComponentScope(const ComponentScope&) = delete;
  ComponentScope& operator=(const ComponentScope&) = delete;

 private:
  HRESULT result_;
};

bool CreateFactory(ComRef<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    factory.OutVoid()));
}

const GUID& ContainerOf(CodecFormat format) {
  switch (format) {
    case CodecFormat::Png:
      return GUID_ContainerFormatPng;
    case CodecFormat::Tiff:
      return GUID_ContainerFormatTiff;
    case CodecFormat::Gif:
      return GUID_ContainerFormatGif;
    default:
      return GUID_ContainerFormatJpeg;
  }
}

bool IsGreyFormat(const WICPixelFormatGUID& format) {
  return format == GUID_WICPixelFormat2bppGray || format == GUID_WICPixelFormat4bppGray ||
         format == GUID_WICPixelFormat8bppGray || format == GUID_WICPixelFormat16bppGray;
}

// Copies the converted frame into the rows: grey and two-level frames
// directly, colour frames through blue, green, red, alpha laid over white.
bool CopyRows(IWICBitmapSource* source, int width, int height, int bits, const DecodeRows& rows) {
  std::vector<BYTE> withAlpha(bits == 24 ? static_cast<std::size_t>(width) * 4 : 0);
  for (int y = 0; y < height; ++y) {
    BYTE* row = rows.bottom + static_cast<std::size_t>(height - 1 - y) * rows.stride;
    const WICRect line{0, y, width, 1};
    if (bits != 24) {
      if (FAILED(source->CopyPixels(&line, static_cast<UINT>(rows.stride), static_cast<UINT>(rows.stride), row))) {
        return false;
      }
      continue;
    }
    if (FAILED(source->CopyPixels(&line, static_cast<UINT>(withAlpha.size()), static_cast<UINT>(withAlpha.size()),
                                  withAlpha.data()))) {
      return false;
    }
    for (int x = 0; x < width; ++x) {
      const BYTE* p = &withAlpha[4 * static_cast<std::size_t>(x)];
      const unsigned alpha = p[3];
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<BYTE>((p[c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
  }
  return true;
}

// A bitmap of the encoder's factory holding the picture top row first, in
// our pixel format with our palette.
bool TopDownCopy(IWICImagingFactory* factory, const PictureView& picture, ComRef<IWICBitmap>& bitmap) {
  const WICPixelFormatGUID& format = picture.bitsPerPixel == 24  ? GUID_WICPixelFormat24bppBGR
                                     : picture.bitsPerPixel == 8 ? GUID_WICPixelFormat8bppIndexed
                                                                 : GUID_WICPixelFormat1bppIndexed;
  if (FAILED(factory->CreateBitmap(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height), format,
                                   WICBitmapCacheOnLoad, bitmap.Out()))) {
    return false;
  }
  if (picture.bitsPerPixel != 24) {
    std::vector<WICColor> colours;
    for (const PaletteColour& c : picture.palette) {
      colours.push_back(0xFF000000u | (WICColor{c.red} << 16) | (WICColor{c.green} << 8) | c.blue);
    }
    ComRef<IWICPalette> palette;
    if (FAILED(factory->CreatePalette(palette.Out())) ||
        FAILED(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()))) ||
        FAILED(bitmap->SetPalette(palette.Get()))) {
      return false;
    }
  }
  const WICRect all{0, 0, picture.width, picture.height};
  ComRef<IWICBitmapLock> lock;
  UINT stride = 0, size = 0;
  BYTE* pixels = nullptr;
  if (FAILED(bitmap->Lock(&all, WICBitmapLockWrite, lock.Out())) || FAILED(lock->GetStride(&stride)) ||
      FAILED(lock->GetDataPointer(&size, &pixels)) || stride < picture.stride) {
    return false;
  }
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(pixels + static_cast<std::size_t>(y) * stride,
                picture.rows + static_cast<std::size_t>(picture.height - 1 - y) * picture.stride, picture.stride);
  }
  return true;
}

}  // namespace

bool DecodePictureFile(const std::string& path, CodecFormat, DecodeTarget& target) {
  const ComponentScope scope;
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  // The decoder recognises the format from the content.
  if (!CreateFactory(factory) ||
      FAILED(factory->CreateDecoderFromFilename(Widen(path).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out()))) {
    return false;
  }
  UINT width = 0, height = 0;
  WICPixelFormatGUID sourceFormat{};
  if (FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&sourceFormat)) || width == 0 ||
      height == 0 || width > 1u << 20 || height > 1u << 20) {
    return false;
  }
  const int bits = sourceFormat == GUID_WICPixelFormatBlackWhite ? 1 : IsGreyFormat(sourceFormat) ? 8 : 24;
  const WICPixelFormatGUID& wanted = bits == 1   ? GUID_WICPixelFormatBlackWhite
                                     : bits == 8 ? GUID_WICPixelFormat8bppGray
                                                 : GUID_WICPixelFormat32bppBGRA;
  ComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.Get(), wanted, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  const DecodeRows rows = target.Allocate(static_cast<int>(width), static_cast<int>(height), bits);
  if (!rows.bottom || !CopyRows(converter.Get(), static_cast<int>(width), static_cast<int>(height), bits, rows)) {
    return false;
  }
  double dpiX = 0, dpiY = 0;
  if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY)) && dpiX > 0 && dpiY > 0) {
    target.SetDpi(static_cast<int>(std::lround(dpiX)), static_cast<int>(std::lround(dpiY)));
  }
  return true;
}

bool EncodePictureFile(const std::string& path, CodecFormat format, const PictureView& picture) {
  const ComponentScope scope;
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICBitmap> source;
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (!CreateFactory(factory) || !TopDownCopy(factory.Get(), picture, source) ||
      FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromFilename(Widen(path).c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Out())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Out(), options.Out())) || FAILED(frame->Initialize(options.Get()))) {
    return false;
  }
  WICPixelFormatGUID frameFormat{};
  if (FAILED(source->GetPixelFormat(&frameFormat))) return false;
  // The encoder may answer with the nearest format it holds; WriteSource converts to it.
  return SUCCEEDED(frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height))) &&
         SUCCEEDED(frame->SetResolution(picture.dpiX, picture.dpiY)) &&
         SUCCEEDED(frame->SetPixelFormat(&frameFormat)) && SUCCEEDED(frame->WriteSource(source.Get(), nullptr)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace platform
