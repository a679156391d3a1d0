#pragma once

// Intrusive reference counts for platform objects (devices, textures, surfaces, sound buffers),
// in the shape the engine's calls expect: AddRef and Release return the new count, and the object
// deletes itself when the count drops to zero. Ref<T> holds one reference for C++ callers.

#include <atomic>
#include <cstdint>
#include <utility>

namespace platform {

using HRESULT = std::int32_t;

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  std::uint32_t AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::uint32_t Release() {
    std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~RefCounted() = default;

 private:
  std::atomic<std::uint32_t> refs_{1};
};

// Owns one reference; moving transfers it, copying adds one.
template <typename T>
class Ref {
 public:
  Ref() = default;
  // Adopts a reference the caller already holds (as a creation call hands out).
  explicit Ref(T* adopted) : p_(adopted) {}
  Ref(const Ref& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up ownership without releasing.
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() { *this = Ref(); }

 private:
  T* p_ = nullptr;
};

}  // namespace platform
