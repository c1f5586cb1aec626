// The enumerators the filter hands out: of its one pin, and of the media
// types that pin offers.
#pragma once

#include <dshow.h>

#include <vector>

#include "capture/win32/media_type.h"
#include "tools/virtual-camera/com_object.h"
#include "tools/virtual-camera/stream_format.h"

namespace virtual_camera {

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
      capture::FreeMediaType(type);
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

}  // namespace virtual_camera
