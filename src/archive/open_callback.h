#pragma once

// The password as 7-Zip asks for it, and the callback it talks to while opening an archive.

#include <atomic>
#include <string>

#include "archive/com_object.h"
#include "archive/com_runtime.h"

namespace varnet::archive {

// Answers CryptoGetTextPassword and remembers whether it was asked: 7-Zip reports a wrong
// password for encrypted headers only as "not this format".
class PasswordSource {
 public:
  PasswordSource(const ComRuntime& runtime, std::u16string password)
      : runtime_(runtime), password_(std::move(password)) {}

  HRESULT provide(BSTR* out) {
    asked_ = true;
    *out = nullptr;
    if (password_.empty())
      return kAbort;  // no password set: stop instead of trying an empty one
    std::basic_string<OLECHAR> text = toOleText(password_);
    // 7-Zip frees this string, so it comes from the library's own allocator.
    *out = runtime_.allocString(text.data(), static_cast<unsigned>(text.size()));
    return *out ? kOk : kOutOfMemory;
  }

  bool asked() const { return asked_; }
  bool missing() const { return asked_ && password_.empty(); }

 private:
  const ComRuntime& runtime_;
  std::u16string password_;
  std::atomic<bool> asked_{false};
};

class OpenCallback final : public IArchiveOpenCallback,
                           public ICryptoGetTextPassword,
                           private RefCounted<OpenCallback> {
  friend class RefCounted<OpenCallback>;

 public:
  OpenCallback(const ComRuntime& runtime, std::u16string password)
      : password_(runtime, std::move(password)) {}

  HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) override {
    if (answerFor<IArchiveOpenCallback>(iid, this, out) ||
        answerFor<ICryptoGetTextPassword>(iid, this, out) ||
        answerFor<IUnknown7z>(iid, static_cast<IArchiveOpenCallback*>(this), out))
      return kOk;
    *out = nullptr;
    return kNoInterface;
  }
  VARNET_7Z_UNKNOWN_METHODS()
  HRESULT VARNET_7Z_CALL SetTotal(const uint64_t*, const uint64_t*) override { return kOk; }
  HRESULT VARNET_7Z_CALL SetCompleted(const uint64_t*, const uint64_t*) override { return kOk; }
  HRESULT VARNET_7Z_CALL CryptoGetTextPassword(BSTR* out) override {
    return password_.provide(out);
  }

  const PasswordSource& password() const { return password_; }

 private:
  PasswordSource password_;
};

}  // namespace varnet::archive
