#pragma once

// Helpers for the COM objects that the binding hands to 7-Zip and for the ones it gets back.

#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "archive/error.h"
#include "archive/interfaces.h"

namespace varnet::archive {

// Reference counting for our own objects: they start with one reference, which the creating
// ComPtr takes over, and delete themselves when 7-Zip and we have released them all.
template <class Derived>
class RefCounted {
 protected:
  uint32_t addReference() { return ++references_; }
  uint32_t releaseReference() {
    uint32_t left = --references_;
    if (left == 0)
      delete static_cast<Derived*>(this);
    return left;
  }

 private:
  std::atomic<uint32_t> references_{1};
};

// The IUnknown part of an object, answering for each interface in `Interfaces` (and IUnknown).
// Bases of those interfaces must be listed too when 7-Zip may ask for them.
#define VARNET_7Z_UNKNOWN_METHODS()            \
  uint32_t VARNET_7Z_CALL AddRef() override {  \
    return addReference();                     \
  }                                            \
  uint32_t VARNET_7Z_CALL Release() override { \
    return releaseReference();                 \
  }

template <class Interface, class Object>
bool answerFor(const GUID& iid, Object* object, void** out) {
  if (!sameGuid(iid, Interface::kIid))
    return false;
  Interface* face = static_cast<Interface*>(object);
  face->AddRef();
  *out = face;
  return true;
}

// Owns one reference.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* adopted) : pointer_(adopted) {}
  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_)
      pointer_->AddRef();
  }
  ComPtr& operator=(ComPtr other) {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() {
    if (pointer_)
      pointer_->Release();
  }
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // Hands a new reference to 7-Zip through an out parameter.
  template <class Interface>
  Interface* share() const {
    pointer_->AddRef();
    return static_cast<Interface*>(pointer_);
  }

 private:
  T* pointer_ = nullptr;
};

// Runs the body of one of our 7-Zip callbacks. 7-Zip's methods must not throw: every exception
// becomes the operation's recorded error and a failure code, which ends the operation. A stop
// is E_ABORT, as 7-Zip itself reports it.
template <class Body>
HRESULT guarded(FirstError& errors, Body&& body) noexcept {
  try {
    return body();
  } catch (Failure& failure) {
    HRESULT code = failure.error.kind == ErrorKind::Stopped ? kAbort : kFail;
    errors.record(std::move(failure.error));
    return code;
  } catch (const std::filesystem::filesystem_error& error) {
    errors.record(fileError(error.code(), error.path1(), "write"));
  } catch (const std::bad_alloc&) {
    errors.record({ErrorKind::Io, "out of memory", {}});
    return kOutOfMemory;
  } catch (const std::exception& error) {
    errors.record({ErrorKind::Io, error.what(), {}});
  } catch (...) {
    errors.record({ErrorKind::Io, "unexpected error", {}});
  }
  return kFail;
}

// 7-Zip's wide texts carry UTF-16 units, also where wchar_t is 4 bytes wide.
inline std::u16string fromOleText(const OLECHAR* text) {
  std::u16string out;
  if (!text)
    return out;
  for (; *text; ++text) {
    auto unit = static_cast<uint32_t>(*text);
    if (unit > 0xFFFF) {  // a whole code point after all: split it into surrogates
      unit -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (unit >> 10));
      out += static_cast<char16_t>(0xDC00 + (unit & 0x3FF));
    } else {
      out += static_cast<char16_t>(unit);
    }
  }
  return out;
}

inline std::basic_string<OLECHAR> toOleText(const std::u16string& text) {
  return std::basic_string<OLECHAR>(text.begin(), text.end());
}

}  // namespace varnet::archive
