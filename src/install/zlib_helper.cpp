#include "install/zlib_helper.h"

#include <algorithm>

namespace varnet {
namespace {

bool endsWith(const std::u16string& text, std::u16string_view suffix) {
  return text.size() >= suffix.size() &&
         std::u16string_view(text).substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

archive::Format archiveFormatFor(const std::u16string& archivePath) {
  if (endsWith(archivePath, u".7z"))
    return archive::Format::SevenZip;
  if (endsWith(archivePath, u".rar"))
    return archive::rarFormatOf(archivePath);
  return archive::Format::Zip;
}

ZlibHelper::ZlibHelper(std::u16string archivePath,
                       std::u16string targetDir,
                       std::u16string password)
    : archivePath(std::move(archivePath)),
      targetDir(std::move(targetDir)),
      sizePassword_(std::move(password)) {
  computeTotalSize();
  progressTarget = nullptr;
}

void ZlibHelper::computeTotalSize() {
  try {
    // The library is loaded for this one reading and unloaded again, as for the extraction.
    archive::SevenZipLibrary library;
    archive::ArchiveReader reader(library, archivePath, archiveFormatFor(archivePath),
                                  sizePassword_);
    totalSize = reader.size();
  } catch (const std::exception&) {  // ArchiveError, or memory running out
    totalSize = kUnknownSize;
  }
}

bool ZlibHelper::extract(std::u16string password) {
  try {
    archive::SevenZipLibrary library;
    archive::ArchiveReader reader(library, archivePath, archiveFormatFor(archivePath), password);
    using namespace std::placeholders;
    reader.extractTo(targetDir, std::bind(&ZlibHelper::onProgress, this, _1), gate);
    return true;
  } catch (const std::exception&) {  // ArchiveError, or memory running out
    return false;
  }
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
