// The reference counting every object of the camera filter shares.
#pragma once

#include <windows.h>

#include <atomic>

#include "tools/virtual-camera/camera_filter.h"

namespace virtual_camera {

// Answers IUnknown and its own interfaces as `Interface`, counts its
// references and deletes itself at the last release, and counts among the
// module's live objects meanwhile.
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

}  // namespace virtual_camera
