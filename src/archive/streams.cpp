#include "archive/streams.h"

#include <cerrno>
#include <system_error>

namespace varnet::archive {

bool InFileStream::open(const std::filesystem::path& path) {
  return file_.open(path, std::ios::in | std::ios::binary) != nullptr;
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
  if (processed)
    *processed = static_cast<uint32_t>(count < 0 ? 0 : count);
  return count < 0 ? kFail : kOk;
}

HRESULT InFileStream::Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) {
  std::ios::seekdir direction;
  switch (origin) {
    case 0:
      direction = std::ios::beg;
      break;
    case 1:
      direction = std::ios::cur;
      break;
    case 2:
      direction = std::ios::end;
      break;
    default:
      return kInvalidArgument;
  }
  std::streamoff current = file_.pubseekoff(0, std::ios::cur, std::ios::in);
  std::streamoff base = 0;
  if (origin == 1)
    base = current;
  else if (origin == 2)
    base = file_.pubseekoff(0, std::ios::end, std::ios::in);
  if (current < 0 || base < 0)
    return kFail;
  if (base + offset < 0) {
    file_.pubseekoff(current, std::ios::beg, std::ios::in);
    return kNegativeSeek;
  }
  std::streamoff position = file_.pubseekoff(offset, direction, std::ios::in);
  if (position < 0)
    return kFail;
  if (newPosition)
    *newPosition = static_cast<uint64_t>(position);
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
  // A file of the same name is replaced, never written through: it may be a link.
  std::error_code error;
  if (!std::filesystem::remove(path_, error) && error) {
    // A read-only file (Windows refuses to delete it) is replaced all the same.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove(path_, error);
  }
  errno = 0;
  if (!file_.open(path_, std::ios::out | std::ios::binary | std::ios::trunc))
    return failLocked();
  state_ = State::Open;
  gate_.setUndoWhileInside(this, [this] { discardLocked(); });
  return true;
}

bool OutFileStream::failLocked() {
  errors_.record(
      fileError(std::error_code(errno ? errno : EIO, std::generic_category()), path_, "write"));
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
        if (!openLocked())
          return;
        errno = 0;
        written = file_.sputn(static_cast<const char*>(data), size) ==
                      static_cast<std::streamsize>(size) ||
                  failLocked();
      }))
    return kAbort;
  if (!written)
    return kFail;
  written_ += size;
  if (processed)
    *processed = size;
  return kOk;
}

bool OutFileStream::finish() {
  bool done = false;
  gate_.pass([&] {
    if (!openLocked())
      return;
    errno = 0;
    done = file_.close() != nullptr || failLocked();
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
