// A reference to a COM object, released when it goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace capture {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* adopted) : p_(adopted) {}
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For the calls that hand out a new reference.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // The object's interface `iid` (the MinGW headers do not give every interface its identifier).
  template <typename U>
  HRESULT As(REFIID iid, ComPtr<U>& other) const {
    if (p_ == nullptr) return E_POINTER;
    return p_->QueryInterface(iid, other.PutVoid());
  }

 private:
  T* p_ = nullptr;
};

}  // namespace capture
