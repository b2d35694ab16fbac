#pragma once

// A GObject reference held for as long as the GRef lives: copying takes another reference,
// destruction gives it back. No hand-paired g_object_ref/g_object_unref in the port.

#include <glib-object.h>

#include <utility>

namespace varnet::engine::webkit {

template <typename T>
class GRef {
 public:
  GRef() = default;

  // Takes over a reference the caller owns (a "transfer full" result such as *_new()).
  static GRef adopt(T* object) {
    GRef ref;
    ref.object_ = object;
    return ref;
  }
  // Takes a reference of its own on `object`.
  static GRef retain(T* object) {
    if (object)
      g_object_ref(object);
    return adopt(object);
  }

  GRef(const GRef& other) : GRef(retain(other.object_)) {}
  GRef(GRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GRef& operator=(GRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~GRef() {
    if (object_)
      g_object_unref(object_);
  }

  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace varnet::engine::webkit
