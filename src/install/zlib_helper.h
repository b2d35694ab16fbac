#pragma once

// One extraction of the unpack job: opens the archive through the 7-Zip binding, reads its total
// size and extracts it, turning the processed byte counts into a percentage.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "archive/archive.h"

namespace varnet {

// The format an archive is opened with, by its suffix: ".7z" 7z, ".rar" RAR5 or RAR4 (by the
// file's signature), anything else ZIP.
archive::Format archiveFormatFor(const std::u16string& archivePath);

class ZlibHelper {
 public:
  static constexpr uint64_t kUnknownSize = UINT64_MAX;

  // Takes the percentage; returning false stops the extraction (the job was stopped).
  using ProgressTarget = std::function<bool(int32_t percent)>;

  // Loads the 7-Zip library (once for the process), opens the archive (with `password`, which
  // archives with encrypted headers need already here and every encrypted archive needs for its
  // extraction) and reads its total size. The error says why when the library or the archive cannot
  // be opened.
  static archive::Result<ZlibHelper> open(std::u16string archivePath,
                                          std::u16string targetDir,
                                          std::u16string password = {});

  // totalSize: the sum of the items' uncompressed sizes, kUnknownSize when it cannot be read.
  void computeTotalSize();

  // Extracts the whole archive into targetDir, with several workers when it is large (see
  // extractInParallel); nothing when every item was extracted, else why not (Stopped when
  // progressTarget or the gate stopped it).
  std::optional<archive::Error> extract();

  // The extraction's progress callback: publishes count / totalSize as a percentage, truncated,
  // never lower than before and at most 99 (only the finished job reports 100). An archive that
  // declares no size publishes 0. False when the target asked to stop.
  bool onProgress(uint64_t count);

  // The archive's files: its path, then the other volumes of its set.
  const std::vector<std::u16string>& archiveFiles() const { return reader_->files(); }

  std::u16string archivePath;
  std::u16string targetDir;
  uint64_t totalSize = kUnknownSize;
  ProgressTarget progressTarget;            // may be empty
  archive::ExtractionGate* gate = nullptr;  // lets the job stop the extraction; may be null
  unsigned workers = 0;  // extraction threads; 0: one per core for a large zip or 7z

 private:
  ZlibHelper() = default;

  std::shared_ptr<const archive::SevenZipLibrary> library_;
  std::unique_ptr<archive::ArchiveReader> reader_;  // opened on library_
  int32_t published_ = 0;
};

}  // namespace varnet
