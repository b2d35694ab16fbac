#include "install/zlib_helper.h"

#include <algorithm>
#include <mutex>

#include "install/parallel_extraction.h"

namespace varnet {
namespace {

bool endsWith(const std::u16string& text, std::u16string_view suffix) {
  return text.size() >= suffix.size() &&
         std::u16string_view(text).substr(text.size() - suffix.size()) == suffix;
}

// The 7-Zip library, loaded once and kept for the life of the process: loading it and checking its
// interfaces again for every archive costs milliseconds. A failed load is tried again next time.
archive::Result<std::shared_ptr<const archive::SevenZipLibrary>> sharedLibrary() {
  static std::mutex mutex;
  static auto* loaded = new std::shared_ptr<const archive::SevenZipLibrary>;  // never unloaded
  std::lock_guard<std::mutex> lock(mutex);
  if (!*loaded) {
    auto library = archive::SevenZipLibrary::load();
    if (!library)
      return library.error();
    *loaded = std::move(*library);
  }
  return *loaded;
}

}  // namespace

archive::Format archiveFormatFor(const std::u16string& archivePath) {
  if (endsWith(archivePath, u".7z"))
    return archive::Format::SevenZip;
  if (endsWith(archivePath, u".rar"))
    return archive::rarFormatOf(archivePath);
  return archive::Format::Zip;
}

archive::Result<ZlibHelper> ZlibHelper::open(std::u16string archivePath,
                                             std::u16string targetDir,
                                             std::u16string password) {
  ZlibHelper helper;
  helper.archivePath = std::move(archivePath);
  helper.targetDir = std::move(targetDir);
  auto library = sharedLibrary();
  if (!library)
    return library.error();
  helper.library_ = std::move(*library);
  auto reader = archive::ArchiveReader::open(*helper.library_, helper.archivePath,
                                             archiveFormatFor(helper.archivePath), password);
  if (!reader)
    return reader.error();
  helper.reader_ = std::move(*reader);
  helper.computeTotalSize();
  return helper;
}

void ZlibHelper::computeTotalSize() {
  archive::Result<uint64_t> size = reader_->size();
  totalSize = size ? *size : kUnknownSize;
}

std::optional<archive::Error> ZlibHelper::extract() {
  using namespace std::placeholders;
  archive::ExtractionGate ownGate;
  // RAR handlers decode solid archives item after item: they get one worker.
  archive::Format format = archiveFormatFor(archivePath);
  bool splittable = format == archive::Format::Zip || format == archive::Format::SevenZip;
  return extractInParallel(*reader_, targetDir, splittable ? workers : 1,
                           std::bind(&ZlibHelper::onProgress, this, _1), gate ? *gate : ownGate);
}

bool ZlibHelper::onProgress(uint64_t count) {
  if (!progressTarget)
    return true;
  int32_t percent = 0;
  if (totalSize != 0)
    percent = static_cast<int32_t>(
        std::min(static_cast<double>(count) / static_cast<double>(totalSize) * 100.0, 99.0));
  published_ = std::max(published_, percent);
  return progressTarget(published_);
}

}  // namespace varnet
