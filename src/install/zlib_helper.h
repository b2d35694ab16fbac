#pragma once

// One extraction of the unpack job: reads the archive's total size and extracts it through the
// 7-Zip binding, turning the processed byte counts into a percentage.

#include <cstdint>
#include <functional>
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

  // Reads the total size at once. `password` is needed only for archives with encrypted headers.
  ZlibHelper(std::u16string archivePath, std::u16string targetDir, std::u16string password = {});

  // totalSize: the sum of the items' uncompressed sizes, kUnknownSize when it cannot be read.
  void computeTotalSize();

  // True when the whole archive was extracted; false on any failure or a stop.
  bool extract(std::u16string password);

  // The extraction's progress callback: publishes count / totalSize as a percentage, truncated,
  // never lower than before and at most 99 (only the finished job reports 100). An archive that
  // declares no size publishes 0. False when the target asked to stop.
  bool onProgress(uint64_t count);

  std::u16string archivePath;
  std::u16string targetDir;
  uint64_t totalSize = kUnknownSize;
  ProgressTarget progressTarget;            // may be empty
  archive::ExtractionGate* gate = nullptr;  // lets the job stop the extraction; may be null

 private:
  std::u16string sizePassword_;
  int32_t published_ = 0;
};

}  // namespace varnet
