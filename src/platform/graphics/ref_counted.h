#pragma once

// Intrusive reference counting for the device's objects, and a holder for C++ callers.
// Every object starts with one reference owned by whoever created it; Release() drops one and
// deletes the object when none is left. Main thread only (the counts are not atomic).

#include <cstdint>
#include <utility>

namespace platform {

class RefCounted {
 public:
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  // Both return the new count.
  std::uint32_t AddRef() { return ++refs_; }
  std::uint32_t Release() {
    std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  std::uint32_t RefCount() const { return refs_; }

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;

 private:
  std::uint32_t refs_ = 1;
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
