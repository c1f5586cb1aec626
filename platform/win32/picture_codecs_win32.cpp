// Picture codecs through the Windows Imaging Component. Decoding converts
// each frame to one of our depths and copies it row by row into the
// bottom-up rows; encoding hands the encoder a top-down copy in a format it
// takes (and converts further itself where the file format needs it).
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

// How a frame of the given format is read: its depth and the format it is copied in.
struct ReadChoice {
  int bits;
  const WICPixelFormatGUID* copyAs;
};

ReadChoice ChooseRead(const WICPixelFormatGUID& source) {
  if (source == GUID_WICPixelFormatBlackWhite) return {1, &GUID_WICPixelFormatBlackWhite};
  if (source == GUID_WICPixelFormat1bppIndexed) return {1, &GUID_WICPixelFormat1bppIndexed};
  if (source == GUID_WICPixelFormat8bppIndexed) return {8, &GUID_WICPixelFormat8bppIndexed};
  if (IsGreyFormat(source)) return {8, &GUID_WICPixelFormat8bppGray};
  return {24, &GUID_WICPixelFormat32bppBGRA};
}

bool ReadPalette(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, DecodeTarget& target) {
  ComRef<IWICPalette> palette;
  WICColor colours[256];
  UINT count = 0;
  if (FAILED(factory->CreatePalette(palette.Out())) || FAILED(frame->CopyPalette(palette.Get())) ||
      FAILED(palette->GetColors(256, colours, &count))) {
    return false;
  }
  PaletteColour entries[256];
  for (UINT i = 0; i < count; ++i) {
    entries[i] = {static_cast<std::uint8_t>(colours[i] >> 16), static_cast<std::uint8_t>(colours[i] >> 8),
                  static_cast<std::uint8_t>(colours[i])};
  }
  target.SetPalette(std::span(entries, count));
  return true;
}

// Copies the frame into the rows: our depths directly, colour through blue,
// green, red, alpha laid over white.
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

// The format a picture is handed to the encoder in: grey and black-and-white
// as such, other palettes as indices for GIF (which holds nothing else) and
// as colour for the rest, so that the encoders get formats they all take.
const WICPixelFormatGUID& EncodeFormat(const PictureView& picture, CodecFormat format) {
  if (picture.bitsPerPixel == 24) return GUID_WICPixelFormat24bppBGR;
  if (format == CodecFormat::Gif) {
    return picture.bitsPerPixel == 8 ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat1bppIndexed;
  }
  if (IsGreyPalette(picture)) return GUID_WICPixelFormat8bppGray;
  if (IsBlackWhitePalette(picture)) return GUID_WICPixelFormatBlackWhite;
  return GUID_WICPixelFormat24bppBGR;
}

// Row y (from the top) in the encoder's format.
void CopyRowForEncoder(const PictureView& picture, int y, bool expand, BYTE* to) {
  const std::uint8_t* from = RowFromTop(picture, y);
  if (!expand) {
    std::memcpy(to, from, picture.stride);
    return;
  }
  for (int x = 0; x < picture.width; ++x) {
    const PaletteColour& c = picture.palette[IndexAt(picture, from, x)];
    to[3 * x] = c.blue;
    to[3 * x + 1] = c.green;
    to[3 * x + 2] = c.red;
  }
}

// A bitmap of the encoder's factory holding the picture top row first in
// the format EncodeFormat chose.
bool TopDownCopy(IWICImagingFactory* factory, const PictureView& picture, CodecFormat codec,
                 ComRef<IWICBitmap>& bitmap) {
  const WICPixelFormatGUID& format = EncodeFormat(picture, codec);
  if (FAILED(factory->CreateBitmap(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height), format,
                                   WICBitmapCacheOnLoad, bitmap.Out()))) {
    return false;
  }
  const bool indexed = format == GUID_WICPixelFormat8bppIndexed || format == GUID_WICPixelFormat1bppIndexed;
  if (indexed) {
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
  const bool expand = picture.bitsPerPixel != 24 && format == GUID_WICPixelFormat24bppBGR;
  const std::size_t rowBytes = expand ? static_cast<std::size_t>(picture.width) * 3 : picture.stride;
  const WICRect all{0, 0, picture.width, picture.height};
  ComRef<IWICBitmapLock> lock;
  UINT stride = 0, size = 0;
  BYTE* pixels = nullptr;
  if (FAILED(bitmap->Lock(&all, WICBitmapLockWrite, lock.Out())) || FAILED(lock->GetStride(&stride)) ||
      FAILED(lock->GetDataPointer(&size, &pixels)) || stride < rowBytes) {
    return false;
  }
  for (int y = 0; y < picture.height; ++y) {
    CopyRowForEncoder(picture, y, expand, pixels + static_cast<std::size_t>(y) * stride);
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
  const ReadChoice choice = ChooseRead(sourceFormat);
  // Frames already in the wanted format are read as they are; converters
  // need not offer every format as a destination.
  ComRef<IWICFormatConverter> converter;
  IWICBitmapSource* source = frame.Get();
  if (sourceFormat != *choice.copyAs) {
    if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
        FAILED(converter->Initialize(frame.Get(), *choice.copyAs, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
      return false;
    }
    source = converter.Get();
  }
  const DecodeRows rows = target.Allocate(static_cast<int>(width), static_cast<int>(height), choice.bits);
  if (!rows.bottom || !CopyRows(source, static_cast<int>(width), static_cast<int>(height), choice.bits, rows)) {
    return false;
  }
  const bool indexed =
      *choice.copyAs == GUID_WICPixelFormat8bppIndexed || *choice.copyAs == GUID_WICPixelFormat1bppIndexed;
  if (indexed && !ReadPalette(factory.Get(), frame.Get(), target)) return false;
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
  if (!CreateFactory(factory) || !TopDownCopy(factory.Get(), picture, format, source) ||
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
