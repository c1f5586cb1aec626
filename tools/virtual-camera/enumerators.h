// The enumerators the filter hands out: of its one pin, and of the media
// types that pin offers. Both walk a fixed list and hand out a new
// reference or copy of each item.
#pragma once

#include <dshow.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tools/virtual-camera/com_object.h"
#include "tools/virtual-camera/stream_format.h"

namespace virtual_camera {

// `List` has Size() and Hand(index), which gives the caller its own item
// (null when it cannot be made); clones share the list.
template <typename Interface, typename Item, typename List>
class ListEnumerator final : public ComObject<Interface> {
 public:
  ListEnumerator(const IID& iid, std::shared_ptr<const List> list, ULONG position = 0)
      : iid_(iid), list_(std::move(list)), position_(position) {}

  STDMETHODIMP Next(ULONG count, Item* items, ULONG* fetched) override {
    if (items == nullptr) return E_POINTER;
    ULONG given = 0;
    while (given < count && position_ < list_->Size()) {
      items[given] = list_->Hand(position_++);
      if (items[given] == nullptr) break;
      ++given;
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const ULONG skipped = std::min<ULONG>(count, list_->Size() - position_);
    position_ += skipped;
    return skipped == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Interface** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = new ListEnumerator(iid_, list_, position_);
    return S_OK;
  }

 protected:
  bool Answers(REFIID iid) const override { return iid == iid_; }

 private:
  const IID& iid_;
  std::shared_ptr<const List> list_;
  ULONG position_;
};

// The filter's one pin, held while an enumerator of it lives.
class PinList {
 public:
  explicit PinList(IPin& pin) : pin_(pin) { pin_.AddRef(); }
  ~PinList() { pin_.Release(); }
  PinList(const PinList&) = delete;
  PinList& operator=(const PinList&) = delete;

  ULONG Size() const { return 1; }
  IPin* Hand(ULONG) const {
    pin_.AddRef();
    return &pin_;
  }

 private:
  IPin& pin_;
};

// Media types of formats, each handed out as a new record.
class MediaTypeList {
 public:
  explicit MediaTypeList(std::vector<Format> formats) : formats_(std::move(formats)) {}

  ULONG Size() const { return static_cast<ULONG>(formats_.size()); }
  AM_MEDIA_TYPE* Hand(ULONG index) const;

 private:
  std::vector<Format> formats_;
};

inline IEnumPins* NewPinEnumerator(IPin& pin) {
  return new ListEnumerator<IEnumPins, IPin*, PinList>(IID_IEnumPins, std::make_shared<const PinList>(pin));
}

inline IEnumMediaTypes* NewMediaTypeEnumerator(std::vector<Format> formats) {
  return new ListEnumerator<IEnumMediaTypes, AM_MEDIA_TYPE*, MediaTypeList>(
      IID_IEnumMediaTypes, std::make_shared<const MediaTypeList>(std::move(formats)));
}

}  // namespace virtual_camera
