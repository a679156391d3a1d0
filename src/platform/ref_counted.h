#pragma once

// Intrusive reference counting for platform objects (devices, textures, surfaces, sound
// buffers), and a holder for C++ callers. Every object starts with one reference owned by whoever
// created it; Release() drops one and deletes the object when none is left. The counts are
// atomic, because sound buffers are shared with worker threads.

#include <atomic>
#include <cstdint>
#include <utility>

namespace platform {

using HRESULT = std::int32_t;

class RefCounted {
 public:
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  // Both return the new count.
  std::uint32_t AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::uint32_t Release() {
    const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }
  std::uint32_t RefCount() const { return refs_.load(std::memory_order_relaxed); }

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;

 private:
  std::atomic<std::uint32_t> refs_{1};
};

// Owns one reference. Ref<T>(p) adopts the reference p already carries (what a Create call hands
// out); Ref<T>::Share(p) takes a new one. Put() releases the held object and gives the address
// for an out-parameter: device->CreateTexture(..., texture.Put(), nullptr).
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* adopt) : object_(adopt) {}
  static Ref Share(T* object) {
    if (object) object->AddRef();
    return Ref(object);
  }
  Ref(const Ref& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~Ref() { Reset(); }

  void Reset() {
    if (T* old = std::exchange(object_, nullptr)) old->Release();
  }
  // Hands the reference to the caller, who must release it.
  T* Detach() { return std::exchange(object_, nullptr); }
  T** Put() {
    Reset();
    return &object_;
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace platform
