// ArchiveReader::extractTo: the extract callback that 7-Zip drives item by item, and the checks
// that keep every item inside the target folder.

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "archive/archive.h"
#include "archive/com_object.h"
#include "archive/item_path.h"
#include "archive/legacy_names.h"
#include "archive/open_callback.h"
#include "archive/property.h"
#include "archive/streams.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace varnet::archive {
namespace {

constexpr uint32_t kUnixModeFlag = 0x8000;  // kpidAttrib: the high 16 bits hold st_mode
constexpr uint32_t kFileTypeMask = 0xF000;
constexpr uint32_t kSymbolicLinkType = 0xA000;
constexpr uint32_t kDirectoryType = 0x4000;

struct Item {
  fs::path relative;
  bool isDirectory = false;
  bool isLink = false;
  std::u16string linkTarget;            // from kpidSymLink; zip keeps it in the item's data
  std::optional<uint32_t> permissions;  // Unix permission bits, when the archive has them
  std::optional<fs::file_time_type> modified;
};

// A FILETIME as the file system's clock: its distance from the system clock is measured once.
std::optional<fs::file_time_type> toFileTime(std::optional<uint64_t> ticks) {
  constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;
  if (!ticks || *ticks < kUnixEpochTicks)
    return std::nullopt;
  static const auto clockOffset =
      std::chrono::round<std::chrono::seconds>(fs::file_time_type::clock::now().time_since_epoch() -
                                               std::chrono::system_clock::now().time_since_epoch());
  auto sinceUnixEpoch = std::chrono::nanoseconds((*ticks - kUnixEpochTicks) * 100);
  return fs::file_time_type(
      std::chrono::duration_cast<fs::file_time_type::duration>(sinceUnixEpoch + clockOffset));
}

struct Link {
  fs::path path;
  std::u16string target;
};

const char* describeResult(int32_t result) {
  switch (result) {
    case 1:
      return "unsupported compression method";
    case 2:
      return "data error (or wrong password)";
    case 3:
      return "CRC error (or wrong password)";
    case 4:
      return "data unavailable";
    case 5:
      return "unexpected end of data";
    case 6:
      return "data after the end";
    case 7:
      return "not an archive";
    case 8:
      return "headers error";
    case 9:
      return "wrong password";
    default:
      return "extraction error";
  }
}

class ExtractCallback final : public IArchiveExtractCallback,
                              public ICryptoGetTextPassword,
                              private RefCounted<ExtractCallback> {
  friend class RefCounted<ExtractCallback>;

 public:
  ExtractCallback(const ComRuntime& runtime,
                  const std::u16string& password,
                  std::vector<Item> items,
                  fs::path root,
                  const ProgressCallback& progress,
                  ExtractionGate& gate)
      : password_(runtime, password),
        items_(std::move(items)),
        root_(std::move(root)),
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
    if (gate_.stopped())
      return kAbort;
    bool goOn = true;
    try {
      goOn = !completed || !progress_ || progress_(*completed);
    } catch (const std::exception& error) {
      return fail(error.what());
    }
    if (!goOn) {
      gate_.stop();
      return kAbort;
    }
    return kOk;
  }

  HRESULT VARNET_7Z_CALL GetStream(uint32_t index,
                                   ISequentialOutStream** out,
                                   int32_t askMode) override {
    *out = nullptr;
    current_ = nullptr;
    if (index >= items_.size())
      return fail("item index out of range");
    lastItem_ = &items_[index];
    // 7-Zip also asks in its test mode, for items it cannot decode (a wrong 7z password): they
    // get no stream, only their result.
    if (askMode != kAskExtract)
      return kOk;
    if (gate_.stopped())
      return kAbort;
    discardCurrent();  // an earlier item that never got its result is incomplete
    current_ = lastItem_;
    try {
      fs::path path = root_ / current_->relative;
      if (current_->isDirectory)
        return makeFolder(path) ? kOk : fail("cannot create folder " + path.u8string());
      if (!makeFolder(path.parent_path()))
        return fail("cannot create folder " + path.parent_path().u8string());
      if (current_->isLink) {
        link_ = ComPtr<MemoryOutStream>(new MemoryOutStream);
        *out = link_.share<ISequentialOutStream>();
      } else {
        file_ = ComPtr<OutFileStream>(new OutFileStream(path, gate_));
        *out = file_.share<ISequentialOutStream>();
      }
      return kOk;
    } catch (const std::exception& error) {
      return fail(error.what());
    }
  }

  HRESULT VARNET_7Z_CALL PrepareOperation(int32_t) override { return kOk; }

  HRESULT VARNET_7Z_CALL SetOperationResult(int32_t result) override {
    if (result != kResultOk) {
      // The first damaged item ends the extraction; what it wrote goes away.
      current_ = nullptr;
      discardCurrent();
      std::string name = lastItem_ ? lastItem_->relative.u8string() : std::string("item");
      return fail(name + ": " + describeResult(result));
    }
    if (!current_)
      return kOk;
    Item& item = *current_;
    current_ = nullptr;
    try {
      if (file_) {
        bool finished = file_->finish();
        if (finished)
          gate_.pass([&] {
            std::error_code ignored;
            if (item.modified)
              fs::last_write_time(file_->path(), *item.modified, ignored);
            if (item.permissions)
              fs::permissions(file_->path(), fs::perms(*item.permissions), ignored);
          });
        fs::path written = file_->path();
        if (!finished)
          discardCurrent();
        file_ = ComPtr<OutFileStream>();
        if (!finished)
          return gate_.stopped() ? kAbort : fail("cannot write " + written.u8string());
      } else if (link_) {
        std::u16string target = item.linkTarget.empty() ? fromUtf8(link_->data()) : item.linkTarget;
        link_ = ComPtr<MemoryOutStream>();
        links_.push_back({root_ / item.relative, target});
      }
    } catch (const std::exception& error) {
      return fail(error.what());
    }
    return kOk;
  }

  HRESULT VARNET_7Z_CALL CryptoGetTextPassword(BSTR* out) override {
    return password_.provide(out);
  }

  // Removes the file of the item that was being written when Extract ended without its result.
  void discardCurrent() {
    if (file_)
      file_->discard();
    file_ = ComPtr<OutFileStream>();
    link_ = ComPtr<MemoryOutStream>();
  }

  const std::optional<std::string>& failure() const { return failure_; }
  const PasswordSource& password() const { return password_; }
  const std::vector<Link>& links() const { return links_; }

 private:
  HRESULT fail(std::string message) {
    if (!failure_)
      failure_ = std::move(message);
    return kFail;
  }

  // Creates the folder (and those above it) and checks that, links followed, it is still inside
  // the root: a link left from earlier in the folder must not carry files elsewhere.
  bool makeFolder(const fs::path& folder) {
    if (folder == checkedFolder_)
      return true;
    bool inside = false;
    gate_.pass([&] {
      std::error_code error;
      fs::create_directories(folder, error);
      fs::path real = fs::canonical(folder, error);
      inside = !error && isInside(real, realRoot());
    });
    if (inside)
      checkedFolder_ = folder;
    return inside;
  }

  const fs::path& realRoot() {
    if (realRoot_.empty())
      realRoot_ = fs::canonical(root_);
    return realRoot_;
  }

  PasswordSource password_;
  std::vector<Item> items_;
  fs::path root_;
  fs::path realRoot_;
  fs::path checkedFolder_;
  const ProgressCallback& progress_;
  ExtractionGate& gate_;
  Item* current_ = nullptr;   // the item being extracted
  Item* lastItem_ = nullptr;  // the item last asked for, in any mode
  ComPtr<OutFileStream> file_;
  ComPtr<MemoryOutStream> link_;
  std::vector<Link> links_;
  std::optional<std::string> failure_;
};

// Every item's place below the root, checked before anything is written.
std::vector<Item> planItems(IInArchive& archive,
                            const ComRuntime& runtime,
                            uint32_t count,
                            Format format) {
  std::vector<Item> items(count);
  Property property(runtime);
  auto read = [&](uint32_t index, PROPID id) -> Property& {
    if (failed(archive.GetProperty(index, id, property.out())))
      throw ArchiveError("cannot read the archive's items");
    return property;
  };
  for (uint32_t index = 0; index < count; ++index) {
    Item& item = items[index];
    std::u16string rawPath = read(index, kpidPath).text();
    if (format == Format::Zip &&
        read(index, kpidCharacts).text().find(u"UTF8") == std::u16string::npos)
      rawPath = decodeLegacyZipName(rawPath);
    std::optional<fs::path> relative = safeItemPath(rawPath);
    if (!relative)
      throw ArchiveError("item path leaves the target folder: " + toUtf8(rawPath));
    item.relative = *relative;
    item.isDirectory = read(index, kpidIsDir).flag();
    item.modified = toFileTime(read(index, kpidMTime).fileTime());
    if (std::optional<uint64_t> attributes = read(index, kpidAttrib).number();
        attributes && (*attributes & kUnixModeFlag)) {
      uint32_t mode = static_cast<uint32_t>(*attributes >> 16);
      item.isLink = (mode & kFileTypeMask) == kSymbolicLinkType;
      item.isDirectory = item.isDirectory || (mode & kFileTypeMask) == kDirectoryType;
      // Owner read and write always stay, so that a later install can replace the file.
      if (mode & 0777)
        item.permissions = (mode & 0777) | 0600;
    }
    item.linkTarget = read(index, kpidSymLink).text();
    item.isLink = !item.isDirectory && (item.isLink || !item.linkTarget.empty());
    if (!read(index, kpidHardLink).text().empty())
      throw ArchiveError("hard links are not supported: " + toUtf8(rawPath));
  }
  return items;
}

// Links are made once every file is in place, so that no item is ever written through one, and
// are kept only when each, followed to its end, still points inside the root. All of it passes
// the gate as one change: a stop never leaves an unchecked link behind.
void makeLinks(const std::vector<Link>& links, const fs::path& root, ExtractionGate& gate) {
  if (links.empty())
    return;
  std::optional<std::string> failure;
  bool passed = gate.pass([&] {
    fs::path realRoot = fs::canonical(root);
    std::vector<fs::path> made;
    for (const Link& link : links) {
      fs::path target = toPath(link.target);
      if (link.target.empty() || target.has_root_name() || target.has_root_directory()) {
        failure = "link target leaves the target folder: " + toUtf8(link.target);
        break;
      }
      std::error_code error;
      fs::remove(link.path, error);
      if (fs::is_directory(link.path.parent_path() / target))
        fs::create_directory_symlink(target, link.path, error);
      else
        fs::create_symlink(target, link.path, error);
      if (error) {
        failure = "cannot create link " + link.path.u8string() + ": " + error.message();
        break;
      }
      made.push_back(link.path);
    }
    for (size_t i = 0; !failure && i < made.size(); ++i) {
      std::error_code error;
      fs::path resolved = fs::weakly_canonical(made[i], error);
      if (error || !isInside(resolved, realRoot))
        failure = "link points outside the target folder: " + made[i].u8string();
    }
    if (failure) {
      for (const fs::path& path : made) {
        std::error_code ignored;
        fs::remove(path, ignored);
      }
    }
  });
  if (!passed)
    throw ArchiveError("extraction stopped", kAbort);
  if (failure)
    throw ArchiveError(*failure);
}

}  // namespace

void ArchiveReader::extractTo(const std::u16string& folder,
                              const ProgressCallback& progress,
                              ExtractionGate* gate) {
  try {
    ExtractionGate ownGate;
    extractAll(folder, progress, gate ? *gate : ownGate);
  } catch (const ArchiveError&) {
    throw;
  } catch (const std::exception& error) {  // file-system and memory errors: one type for all
    throw ArchiveError(error.what());
  }
}

void ArchiveReader::extractAll(const std::u16string& folder,
                               const ProgressCallback& progress,
                               ExtractionGate& usedGate) {
  const ComRuntime& runtime = library_.runtime();
  std::vector<Item> items = planItems(*archive_, runtime, itemCount(), format_);

  fs::path root = toPath(folder);
  std::error_code error;
  if (!usedGate.pass([&] { fs::create_directories(root, error); }))
    throw ArchiveError("extraction stopped", kAbort);
  if (error || !fs::is_directory(root))
    throw ArchiveError("cannot create folder " + root.u8string());

  ComPtr<ExtractCallback> callback(
      new ExtractCallback(runtime, password_, std::move(items), root, progress, usedGate));
  HRESULT result = archive_->Extract(nullptr, 0xFFFFFFFF, 0, callback.get());
  callback->discardCurrent();

  if (usedGate.stopped())
    throw ArchiveError("extraction stopped", kAbort);
  if (callback->failure())
    throw ArchiveError(*callback->failure());
  if (result == kAbort && callback->password().missing())
    throw ArchiveError("the archive needs a password", result);
  if (failed(result))
    throw ArchiveError("extraction failed", result);
  makeLinks(callback->links(), root, usedGate);
}

}  // namespace varnet::archive
