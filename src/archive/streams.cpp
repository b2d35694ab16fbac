#include "archive/streams.h"

#include <cstdint>
#include <system_error>

namespace varnet::archive {

bool InFileStream::open(const std::filesystem::path& path) {
  if (!file_.open(path, std::ios::in | std::ios::binary))
    return false;
  size_ = file_.pubseekoff(0, std::ios::end, std::ios::in);
  position_ = 0;
  return size_ >= 0 && file_.pubseekoff(0, std::ios::beg, std::ios::in) == 0;
}

HRESULT InFileStream::QueryInterface(const GUID& iid, void** out) {
  if (answerFor<IInStream>(iid, this, out) || answerFor<ISequentialInStream>(iid, this, out) ||
      answerFor<IUnknown7z>(iid, this, out))
    return kOk;
  *out = nullptr;
  return kNoInterface;
}

HRESULT InFileStream::Read(void* data, uint32_t size, uint32_t* processed) {
  std::streamsize count = file_.sgetn(static_cast<char*>(data), size);
  if (count > 0)
    position_ += count;
  if (processed)
    *processed = static_cast<uint32_t>(count < 0 ? 0 : count);
  return count < 0 ? kFail : kOk;
}

HRESULT InFileStream::Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) {
  int64_t base = 0;
  switch (origin) {
    case 0:
      break;
    case 1:
      base = position_;
      break;
    case 2:
      base = size_;
      break;
    default:
      return kInvalidArgument;
  }
  if (offset > 0 && base > INT64_MAX - offset)
    return kInvalidArgument;
  if (base + offset < 0)
    return kNegativeSeek;
  const int64_t target = base + offset;
  if (target != position_) {
    if (file_.pubseekoff(target, std::ios::beg, std::ios::in) != target)
      return kFail;
    position_ = target;
  }
  if (newPosition)
    *newPosition = static_cast<uint64_t>(target);
  return kOk;
}

OutFileStream::OutFileStream(std::filesystem::path path, ExtractionGate& gate, FirstError& errors)
    : path_(std::move(path)), gate_(gate), errors_(errors) {}

HRESULT OutFileStream::QueryInterface(const GUID& iid, void** out) {
  if (answerFor<ISequentialOutStream>(iid, this, out) || answerFor<IUnknown7z>(iid, this, out))
    return kOk;
  *out = nullptr;
  return kNoInterface;
}

bool OutFileStream::openLocked() {
  if (state_ != State::Waiting)
    return state_ == State::Open;
  state_ = State::Failed;
  using Created = platform::OutputFile::Created;
  Created created = file_.create(path_);
  if (created == Created::NameTaken) {
    replaceLocked();
    created = file_.create(path_);
  }
  if (created != Created::Yes)
    return failLocked(file_.error());
  state_ = State::Open;
  gate_.setUndoWhileInside(this, [this] { discardLocked(); });
  return true;
}

// What has the name goes first: it may be a link, which must not be written through.
void OutFileStream::replaceLocked() {
  std::error_code error;
  if (!std::filesystem::remove(path_, error) && error) {
    // A read-only file (Windows refuses to delete it) is replaced all the same.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove(path_, error);
  }
}

bool OutFileStream::failLocked(std::error_code reason) {
  errors_.record(
      fileError(reason ? reason : std::make_error_code(std::errc::io_error), path_, "write"));
  state_ = State::Failed;
  return false;
}

void OutFileStream::discardLocked() {
  if (state_ == State::Waiting || state_ == State::Done || state_ == State::Removed)
    return;
  file_.close();
  std::error_code error;
  std::filesystem::remove(path_, error);
  state_ = State::Removed;
  gate_.setUndoWhileInside(this, nullptr);
}

HRESULT OutFileStream::Write(const void* data, uint32_t size, uint32_t* processed) {
  if (processed)
    *processed = 0;
  bool written = false;
  if (!gate_.pass([&] {
        if (openLocked())
          written = file_.write(data, size) || failLocked(file_.error());
      }))
    return kAbort;
  if (!written)
    return kFail;
  written_ += size;
  if (processed)
    *processed = size;
  return kOk;
}

bool OutFileStream::finish(std::optional<uint64_t> modifiedTicks,
                           std::optional<uint32_t> permissions) {
  bool done = false;
  gate_.pass([&] {
    if (!openLocked())
      return;
    file_.setTimeAndMode(modifiedTicks, permissions);
    done = file_.close() || failLocked(file_.error());
    if (done) {
      state_ = State::Done;
      gate_.setUndoWhileInside(this, nullptr);
    }
  });
  return done;
}

void OutFileStream::discard() {
  gate_.pass([&] { discardLocked(); });
}

HRESULT MemoryOutStream::QueryInterface(const GUID& iid, void** out) {
  if (answerFor<ISequentialOutStream>(iid, this, out) || answerFor<IUnknown7z>(iid, this, out))
    return kOk;
  *out = nullptr;
  return kNoInterface;
}

HRESULT MemoryOutStream::Write(const void* data, uint32_t size, uint32_t* processed) {
  if (processed)
    *processed = 0;
  if (data_.size() + size > kLimit)
    return kFail;
  data_.append(static_cast<const char*>(data), size);
  if (processed)
    *processed = size;
  return kOk;
}

}  // namespace varnet::archive
