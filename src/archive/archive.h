#pragma once

// The project's binding to the 7-Zip shared library (7z.dll on Windows, 7z.so on Linux), loaded
// at run time: open an archive of a given format, read the sum of its items' sizes, extract it
// into a folder. Nothing here throws: every failure comes back as an Error (archive/error.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/error.h"
#include "archive/extraction_gate.h"
#include "archive/links.h"

namespace varnet::platform {
class Library;
}

namespace varnet::archive {

struct ComRuntime;
struct IInArchive;
struct Item;

// Every item of an archive as extraction needs it (archive/items.h), read once and shared, read
// only, by the readers of that archive.
using ItemPlan = std::shared_ptr<const std::vector<Item>>;

enum class Format { Zip, SevenZip, Rar, Rar5 };

// RAR5 or RAR4 (Rar), by the file's signature; Rar when it cannot be read.
Format rarFormatOf(const std::u16string& archivePath);

class SevenZipLibrary {
 public:
  // The library where the program keeps it: "7z.dll" through the system's normal search on
  // Windows; on Linux 7z.so beside this module, then /usr/lib/p7zip/7z.so.
  static Result<std::unique_ptr<SevenZipLibrary>> load();
  static Result<std::unique_ptr<SevenZipLibrary>> load(const std::u16string& path);
  ~SevenZipLibrary();
  SevenZipLibrary(const SevenZipLibrary&) = delete;
  SevenZipLibrary& operator=(const SevenZipLibrary&) = delete;

  const ComRuntime& runtime() const { return *runtime_; }
  void* createHandler(Format format) const;  // a new IInArchive with one reference; may throw

 private:
  SevenZipLibrary() = default;
  void loadFrom(const std::u16string& path);  // throws Failure

  std::unique_ptr<platform::Library> library_;
  std::unique_ptr<ComRuntime> runtime_;
  void* createObject_ = nullptr;
};

// Called with the number of bytes processed so far; returning false stops the extraction.
using ProgressCallback = std::function<bool(uint64_t bytesProcessed)>;

// What splitting an extraction into shares needs to know of one item.
struct ItemInfo {
  std::u16string path;  // where it lands below the target folder, checked as extraction checks it
  uint64_t size = 0;    // uncompressed; 0 for folders and when the archive does not say
  std::optional<uint32_t> block;  // the solid block it is decoded from, when it has one
};

// What splitting needs of each item of the plan, in the plan's order.
std::vector<ItemInfo> describeItems(const ItemPlan& plan);

// Makes the links that extractItems handed back, once every share is out: all of them, or none
// when one leads outside `folder` (as extractTo does at its end).
std::optional<Error> makeLinksLast(const std::vector<Link>& links,
                                   const std::u16string& folder,
                                   ExtractionGate& gate);

// One opened archive. The library must outlive it.
class ArchiveReader {
 public:
  // An empty password means none: an archive that asks for one then fails.
  static Result<std::unique_ptr<ArchiveReader>> open(const SevenZipLibrary& library,
                                                     const std::u16string& archivePath,
                                                     Format format,
                                                     const std::u16string& password = {});
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  uint32_t itemCount() const;

  // The files the archive was read from: its own path, then the other volumes of its set.
  const std::vector<std::u16string>& files() const { return files_; }

  // The sum of the items' uncompressed sizes; items that do not declare one add nothing.
  Result<uint64_t> size() const;

  // Another reader of the same archive (library, format and password), for another thread: one
  // reader must never be used by two threads at once.
  Result<std::unique_ptr<ArchiveReader>> openAgain() const;

  // Every item, in the archive's order. Fails for an item that extraction would refuse before
  // writing anything (one that would leave the folder, a hard link).
  Result<std::vector<ItemInfo>> items() const;
  // The same reading, kept for extractItems: any reader of this archive may use it.
  Result<ItemPlan> plan() const;

  // Lets the library decode a 7z archive with up to `threads` threads (the 7z handler's "mt"
  // setting; it can split only data that was packed in independent chunks). False for other
  // formats.
  bool setDecoderThreads(uint32_t threads);

  // Extracts every item below `folder` (created when missing), keeping the archive's folders and
  // replacing files of the same names. Refuses, before writing anything, items that would land
  // outside the folder (absolute paths, drive letters, ".."); symbolic links are made last and
  // only when they resolve inside it. On a failure or a stop the file being written is removed;
  // files completed before stay. `gate` lets another thread stop the extraction. Nothing when
  // every item was extracted. `plan`: this archive's reading from plan(), when the caller has it
  // already; read here otherwise.
  std::optional<Error> extractTo(const std::u16string& folder,
                                 const ProgressCallback& progress = {},
                                 ExtractionGate* gate = nullptr,
                                 ItemPlan plan = nullptr);

  // Extracts only the items at `indices` as extractTo does, except that links are not made but
  // added to `links`, for makeLinksLast once every share of the archive is out. `plan` is this
  // archive's, from plan() of any of its readers. Readers of one archive may extract their
  // shares into one folder at once, each on its own thread, and a reader may extract several
  // shares one after another.
  std::optional<Error> extractItems(const std::u16string& folder,
                                    const ItemPlan& plan,
                                    std::vector<uint32_t> indices,
                                    const ProgressCallback& progress,
                                    ExtractionGate& gate,
                                    std::vector<Link>& links);

 private:
  ArchiveReader(const SevenZipLibrary& library,
                const std::u16string& archivePath,
                Format format,
                const std::u16string& password);
  void openArchive();  // throws Failure
  void askForUtf8Names(IInArchive& archive) const;
  std::optional<std::string> damageOf(IInArchive& archive) const;
  // The items at `indices` (null: all) of `plan`; returns the links met, not made. Throws Failure.
  std::vector<Link> extractSome(const std::u16string& folder,
                                const ItemPlan& plan,
                                const std::vector<uint32_t>* indices,
                                const ProgressCallback& progress,
                                ExtractionGate& gate);

  const SevenZipLibrary& library_;
  std::u16string archivePath_;
  std::string archiveName_;  // the file name, for messages
  std::vector<std::u16string> files_;
  Format format_;
  std::u16string password_;
  IInArchive* archive_ = nullptr;
};

}  // namespace varnet::archive
