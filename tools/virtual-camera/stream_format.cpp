#include "tools/virtual-camera/stream_format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "capture/media_format.h"

namespace virtual_camera {

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

std::optional<Format> FormatOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB24 || type.formattype != FORMAT_VideoInfo ||
      type.pbFormat == nullptr || type.cbFormat < sizeof(VIDEOINFOHEADER)) {
    return std::nullopt;
  }
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  return Format{info->bmiHeader.biWidth, info->bmiHeader.biHeight, info->AvgTimePerFrame};
}

}  // namespace virtual_camera
