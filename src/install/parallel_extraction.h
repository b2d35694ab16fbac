#pragma once

// One archive extracted by several workers at once: each worker opens its own reader of the
// archive (one reader must not be used by two threads) and extracts into the same folder the
// batches of items it takes from a shared queue, until none is left. Progress is the sum of the
// workers' byte counts; a stop of the gate halts every worker; the first failure stops the others
// and is the one reported.

#include <optional>
#include <string>

#include "archive/archive.h"

namespace varnet {

// Extracts every item below `folder`, as ArchiveReader::extractTo does, with `workers` workers
// (0: as many as workerCountFor gives for this archive and machine). `reader` is an opened
// reader of the archive: it reads every item once for all workers, and the calling thread
// extracts with it; the other workers run on threads of their own with readers from openAgain().
// Links are made once every item is out.
// `progress` is called on the workers' threads, one call at a time, with the bytes of all
// workers together. Nothing when every item was extracted, else the first failure (Stopped when
// the gate was stopped).
std::optional<archive::Error> extractInParallel(archive::ArchiveReader& reader,
                                                const std::u16string& folder,
                                                unsigned workers,
                                                const archive::ProgressCallback& progress,
                                                archive::ExtractionGate& gate);

}  // namespace varnet
