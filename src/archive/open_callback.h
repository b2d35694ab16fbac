#pragma once

// The password as 7-Zip asks for it, and the callback it talks to while opening an archive.

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/com_object.h"
#include "archive/com_runtime.h"
#include "archive/streams.h"
#include "platform/text.h"

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

// Also hands the format handler the other volumes of a set (game.part2.rar, game.r00, ...),
// which it asks for by name, from the folder of the archive being opened.
class OpenCallback final : public IArchiveOpenCallback,
                           public IArchiveOpenVolumeCallback,
                           public ICryptoGetTextPassword,
                           private RefCounted<OpenCallback> {
  friend class RefCounted<OpenCallback>;

 public:
  OpenCallback(const ComRuntime& runtime, std::u16string password, std::filesystem::path archive)
      : runtime_(runtime), password_(runtime, std::move(password)), archive_(std::move(archive)) {}

  HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) override {
    if (answerFor<IArchiveOpenCallback>(iid, this, out) ||
        answerFor<IArchiveOpenVolumeCallback>(iid, this, out) ||
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
    return guarded(errors_, [&] { return password_.provide(out); });
  }

  // The handler derives the next volumes' names from the opened file's name.
  HRESULT VARNET_7Z_CALL GetProperty(PROPID id, PROPVARIANT* value) override {
    return guarded(errors_, [&] {
      if (id != kpidName)
        return kOk;
      std::basic_string<OLECHAR> name = toOleText(fromPath(archive_.filename()));
      value->bstrVal = runtime_.allocString(name.data(), static_cast<unsigned>(name.size()));
      if (!value->bstrVal)
        return kOutOfMemory;
      value->vt = VT_BSTR;
      return kOk;
    });
  }

  // S_FALSE for a volume that is not there; only a file beside the archive is ever opened.
  HRESULT VARNET_7Z_CALL GetStream(const OLECHAR* name, IInStream** stream) override {
    *stream = nullptr;
    return guarded(errors_, [&] {
      std::u16string text = fromOleText(name);
      std::filesystem::path path = archive_.parent_path() / toPath(text);
      std::error_code error;
      if (text.empty() || toPath(text).filename() != toPath(text) ||
          !std::filesystem::is_regular_file(path, error))
        return kFalse;
      ComPtr<InFileStream> volume(new InFileStream);
      if (!volume->open(path))
        return kFalse;
      volumes_.push_back(fromPath(path));
      *stream = volume.share<IInStream>();
      return kOk;
    });
  }

  const PasswordSource& password() const { return password_; }
  // The other volumes the handler opened, in its order.
  const std::vector<std::u16string>& volumes() const { return volumes_; }

 private:
  const ComRuntime& runtime_;
  PasswordSource password_;
  std::filesystem::path archive_;
  std::vector<std::u16string> volumes_;
  FirstError errors_;
};

}  // namespace varnet::archive
