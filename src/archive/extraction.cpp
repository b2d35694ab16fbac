// ArchiveReader::extractTo: the extract callback that 7-Zip drives item by item, and the checks
// that keep every item inside the target folder.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "archive/archive.h"
#include "archive/com_object.h"
#include "archive/item_path.h"
#include "archive/items.h"
#include "archive/links.h"
#include "archive/open_callback.h"
#include "archive/streams.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace varnet::archive {
namespace {

// What a per-item result of 7-Zip means. Data and CRC errors of an encrypted item are, in
// practice, a wrong password (7z reports its wrong passwords so).
Error itemError(int32_t result, const Item& item, const std::string& archiveName) {
  auto error = [&](ErrorKind kind, const std::string& what) {
    return Error{kind, what + " in " + archiveName + ": " + toUtf8(item.name), item.name};
  };
  switch (result) {
    case 1:
      return error(ErrorKind::NotAnArchive, "unsupported compression method");
    case 2:
    case 3:
      if (item.encrypted)
        return {ErrorKind::WrongPassword, "wrong password for " + archiveName, item.name};
      return error(ErrorKind::Damaged, result == 2 ? "damaged data" : "CRC error");
    case 9:
      return {ErrorKind::WrongPassword, "wrong password for " + archiveName, item.name};
    case 4:
      return error(ErrorKind::Damaged, "data unavailable (a missing volume?)");
    case 5:
      return error(ErrorKind::Damaged, "unexpected end of data");
    default:
      return error(ErrorKind::Damaged, "damaged archive");
  }
}

const Error kStopped{ErrorKind::Stopped, "stopped", {}};

class ExtractCallback final : public IArchiveExtractCallback,
                              public ICryptoGetTextPassword,
                              private RefCounted<ExtractCallback> {
  friend class RefCounted<ExtractCallback>;

 public:
  ExtractCallback(const ComRuntime& runtime,
                  const std::u16string& password,
                  ItemPlan plan,
                  const std::vector<uint32_t>* asked,
                  fs::path root,
                  std::string archiveName,
                  const ProgressCallback& progress,
                  ExtractionGate& gate)
      : password_(runtime, password),
        plan_(std::move(plan)),
        items_(*plan_),
        asked_(asked),
        root_(std::move(root)),
        archiveName_(std::move(archiveName)),
        progress_(progress),
        gate_(gate) {}

  HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) override {
    if (answerFor<IArchiveExtractCallback>(iid, this, out) ||
        answerFor<IProgress>(iid, static_cast<IArchiveExtractCallback*>(this), out) ||
        answerFor<ICryptoGetTextPassword>(iid, this, out) ||
        answerFor<IUnknown7z>(iid, static_cast<IArchiveExtractCallback*>(this), out))
      return kOk;
    *out = nullptr;
    return kNoInterface;
  }
  VARNET_7Z_UNKNOWN_METHODS()

  HRESULT VARNET_7Z_CALL SetTotal(uint64_t) override { return kOk; }

  HRESULT VARNET_7Z_CALL SetCompleted(const uint64_t* completed) override {
    return guarded(errors_, [&] {
      if (gate_.stopped())
        return kAbort;
      if (completed && progress_ && !progress_(*completed)) {
        gate_.stop();
        return kAbort;
      }
      return kOk;
    });
  }

  HRESULT VARNET_7Z_CALL GetStream(uint32_t index,
                                   ISequentialOutStream** out,
                                   int32_t askMode) override {
    *out = nullptr;
    current_ = nullptr;
    return guarded(errors_, [&] {
      if (index >= items_.size())
        throw Failure{{ErrorKind::Damaged, "item index out of range in " + archiveName_, {}}};
      lastItem_ = &items_[index];
      // 7-Zip also asks in its test mode, for items it cannot decode (a wrong 7z password), and
      // in its skip mode, for the items of a solid block that were not asked for: they get no
      // stream, only their result.
      if (askMode != kAskExtract)
        return kOk;
      if (asked_ && !std::binary_search(asked_->begin(), asked_->end(), index))
        throw Failure{{ErrorKind::Damaged, "an item not asked for in " + archiveName_, {}}};
      if (gate_.stopped())
        return kAbort;
      discardCurrent();  // an earlier item that never got its result is incomplete
      current_ = lastItem_;
      fs::path path = root_ / current_->relative;
      if (current_->isDirectory) {
        makeFolder(path);
        return kOk;
      }
      makeFolder(path.parent_path());
      if (current_->isLink) {
        link_ = ComPtr<MemoryOutStream>(new MemoryOutStream);
        *out = link_.share<ISequentialOutStream>();
      } else {
        file_ = ComPtr<OutFileStream>(new OutFileStream(path, gate_, errors_));
        *out = file_.share<ISequentialOutStream>();
      }
      return kOk;
    });
  }

  HRESULT VARNET_7Z_CALL PrepareOperation(int32_t) override { return kOk; }

  HRESULT VARNET_7Z_CALL SetOperationResult(int32_t result) override {
    return guarded(errors_, [&] {
      if (result != kResultOk) {
        // The first damaged item ends the extraction; what it wrote goes away.
        current_ = nullptr;
        discardCurrent();
        throw Failure{itemError(result, lastItem_ ? *lastItem_ : Item{}, archiveName_)};
      }
      if (!current_)
        return kOk;
      const Item& item = *current_;
      current_ = nullptr;
      if (file_)
        finishFile(item);
      else if (link_)
        finishLink(item);
      return kOk;
    });
  }

  HRESULT VARNET_7Z_CALL CryptoGetTextPassword(BSTR* out) override {
    return guarded(errors_, [&] { return password_.provide(out); });
  }

  // Removes the file of the item that was being written when Extract ended without its result.
  void discardCurrent() {
    if (file_)
      file_->discard();
    file_ = ComPtr<OutFileStream>();
    link_ = ComPtr<MemoryOutStream>();
  }

  std::optional<Error> error() const { return errors_.get(); }
  const PasswordSource& password() const { return password_; }
  std::vector<Link>& links() { return links_; }

 private:
  // An item that came out shorter or longer than the archive lists it is incomplete, whatever
  // 7-Zip says (a RAR volume set missing its later volumes reports such items as fine).
  void checkSize(const Item& item, uint64_t written) const {
    if (item.size && written != *item.size)
      throw Failure{{ErrorKind::Damaged,
                     "incomplete item in " + archiveName_ + ": " + toUtf8(item.name) + " (" +
                         std::to_string(written) + " of " + std::to_string(*item.size) + " bytes)",
                     item.name}};
  }

  void finishFile(const Item& item) {
    ComPtr<OutFileStream> file = file_;
    file_ = ComPtr<OutFileStream>();
    try {
      checkSize(item, file->written());
    } catch (const Failure&) {
      file->discard();
      throw;
    }
    if (!file->finish(item.modified, item.permissions)) {
      file->discard();
      if (gate_.stopped())
        throw Failure{kStopped};
      throw Failure{fileError(std::make_error_code(std::errc::io_error), file->path(), "write")};
    }
  }

  void finishLink(const Item& item) {
    ComPtr<MemoryOutStream> data = link_;
    link_ = ComPtr<MemoryOutStream>();
    if (item.linkTarget.empty())
      checkSize(item, data->data().size());
    std::u16string target = item.linkTarget.empty() ? fromUtf8(data->data()) : item.linkTarget;
    links_.push_back({item.relative, item.name, target});
  }

  // Creates the folder (and those above it) and checks that, links followed, it is still inside
  // the root: a link left from earlier in the folder must not carry files elsewhere.
  void makeFolder(const fs::path& folder) {
    if (folder == checkedFolder_)
      return;
    std::error_code error;
    bool inside = false;
    if (!gate_.pass([&] {
          fs::create_directories(folder, error);
          if (error)
            return;
          fs::path real = fs::canonical(folder, error);
          inside = !error && isInside(real, realRoot());
        }))
      throw Failure{kStopped};
    if (error)
      throw Failure{fileError(error, folder, "create folder")};
    if (!inside)
      throw Failure{{ErrorKind::LinkRefused,
                     "a link in the install folder leads outside it: " + folder.u8string(),
                     fromPath(folder)}};
    checkedFolder_ = folder;
  }

  const fs::path& realRoot() {
    if (realRoot_.empty())
      realRoot_ = fs::canonical(root_);
    return realRoot_;
  }

  PasswordSource password_;
  const ItemPlan plan_;
  const std::vector<Item>& items_;
  const std::vector<uint32_t>* asked_;  // ascending; null: every item
  fs::path root_;
  std::string archiveName_;
  fs::path realRoot_;
  fs::path checkedFolder_;
  const ProgressCallback& progress_;
  ExtractionGate& gate_;
  const Item* current_ = nullptr;   // the item being extracted
  const Item* lastItem_ = nullptr;  // the item last asked for, in any mode
  ComPtr<OutFileStream> file_;
  ComPtr<MemoryOutStream> link_;
  std::vector<Link> links_;
  FirstError errors_;
};

// Runs a part of the binding that throws Failure; nothing when it ran to its end, else why not.
template <class Body>
std::optional<Error> asResult(Body&& body) {
  try {
    body();
    return std::nullopt;
  } catch (Failure& failure) {
    return std::move(failure.error);
  } catch (const fs::filesystem_error& error) {
    return fileError(error.code(), error.path1(), "write");
  } catch (const std::bad_alloc&) {
    return Error{ErrorKind::Io, "out of memory", {}};
  }
}

}  // namespace

std::optional<Error> makeLinksLast(const std::vector<Link>& links,
                                   const std::u16string& folder,
                                   ExtractionGate& gate) {
  return asResult([&] { makeLinks(links, toPath(folder), gate); });
}

std::optional<Error> ArchiveReader::extractTo(const std::u16string& folder,
                                              const ProgressCallback& progress,
                                              ExtractionGate* gate,
                                              ItemPlan plan) {
  ExtractionGate ownGate;
  ExtractionGate& usedGate = gate ? *gate : ownGate;
  return asResult([&] {
    if (!plan)
      plan = std::make_shared<const std::vector<Item>>(
          planItems(*archive_, library_.runtime(), itemCount(), format_, fromUtf8(archiveName_)));
    else if (plan->size() != itemCount())
      throw Failure{{ErrorKind::Damaged, "item plan of another archive for " + archiveName_, {}}};
    makeLinks(extractSome(folder, plan, nullptr, progress, usedGate), toPath(folder), usedGate);
  });
}

std::optional<Error> ArchiveReader::extractItems(const std::u16string& folder,
                                                 const ItemPlan& plan,
                                                 std::vector<uint32_t> indices,
                                                 const ProgressCallback& progress,
                                                 ExtractionGate& gate,
                                                 std::vector<Link>& links) {
  std::sort(indices.begin(), indices.end());  // 7-Zip takes them in ascending order only
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  return asResult([&] {
    if (!plan || plan->size() != itemCount() ||
        (!indices.empty() && indices.back() >= plan->size()))
      throw Failure{{ErrorKind::Damaged, "item index out of range in " + archiveName_, {}}};
    std::vector<Link> found = extractSome(folder, plan, &indices, progress, gate);
    links.insert(links.end(), found.begin(), found.end());
  });
}

std::vector<Link> ArchiveReader::extractSome(const std::u16string& folder,
                                             const ItemPlan& plan,
                                             const std::vector<uint32_t>* indices,
                                             const ProgressCallback& progress,
                                             ExtractionGate& usedGate) {
  fs::path root = toPath(folder);
  std::error_code error;
  if (!usedGate.pass([&] { fs::create_directories(root, error); }))
    throw Failure{kStopped};
  if (error || !fs::is_directory(root))
    throw Failure{fileError(error, root, "create folder")};

  ComPtr<ExtractCallback> callback(new ExtractCallback(library_.runtime(), password_, plan, indices,
                                                       root, archiveName_, progress, usedGate));
  HRESULT result = indices
                       ? archive_->Extract(indices->data(), static_cast<uint32_t>(indices->size()),
                                           0, callback.get())
                       : archive_->Extract(nullptr, 0xFFFFFFFF, 0, callback.get());
  callback->discardCurrent();

  if (usedGate.stopped())
    throw Failure{kStopped};
  if (std::optional<Error> failure = callback->error())
    throw Failure{std::move(*failure)};
  if (result == kAbort && callback->password().missing())
    throw Failure{{ErrorKind::WrongPassword, archiveName_ + " needs a password", archivePath_}};
  if (failed(result))
    throw Failure{{ErrorKind::Damaged, "cannot extract " + archiveName_, archivePath_}};
  return std::move(callback->links());
}

}  // namespace varnet::archive
