#pragma once

// The streams that 7-Zip reads archives from and writes items to.

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "archive/com_object.h"
#include "archive/error.h"
#include "archive/extraction_gate.h"
#include "platform/output_file.h"

namespace varnet::archive {

// The archive file, read and seeked by the format handler. It keeps its own position: handlers
// ask for it and seek to where they already are once per item, and each question to the OS is a
// system call.
class InFileStream final : public IInStream, private RefCounted<InFileStream> {
  friend class RefCounted<InFileStream>;

 public:
  // False when the file cannot be opened.
  bool open(const std::filesystem::path& path);

  HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) override;
  VARNET_7Z_UNKNOWN_METHODS()
  HRESULT VARNET_7Z_CALL Read(void* data, uint32_t size, uint32_t* processed) override;
  HRESULT VARNET_7Z_CALL Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) override;

 private:
  std::filebuf file_;
  int64_t position_ = 0;
  int64_t size_ = 0;  // taken when opened
};

// One extracted file. It is created at the first write (or by finish() when the item is empty),
// so that items refused before their data arrives, such as those with a wrong password, leave
// nothing behind. A file of the same name is replaced, never written through. Every change to
// disk passes the gate; while the file is open, stopping the gate removes it.
class OutFileStream final : public ISequentialOutStream, private RefCounted<OutFileStream> {
  friend class RefCounted<OutFileStream>;

 public:
  // A failure to create or write the file is recorded in `errors` (disk full, or another I/O
  // error with the path).
  OutFileStream(std::filesystem::path path, ExtractionGate& gate, FirstError& errors);

  HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) override;
  VARNET_7Z_UNKNOWN_METHODS()
  HRESULT VARNET_7Z_CALL Write(const void* data, uint32_t size, uint32_t* processed) override;

  // Completes the file (creating it when nothing was written) with the item's modification time
  // (FILETIME ticks) and Unix permission bits, where it has them. False when refused or failed.
  bool finish(std::optional<uint64_t> modifiedTicks, std::optional<uint32_t> permissions);
  // Removes whatever was written.
  void discard();

  const std::filesystem::path& path() const { return path_; }
  uint64_t written() const { return written_; }

 private:
  bool openLocked();
  void replaceLocked();
  void discardLocked();
  bool failLocked(std::error_code reason);

  std::filesystem::path path_;
  ExtractionGate& gate_;
  FirstError& errors_;
  enum class State { Waiting, Open, Done, Failed, Removed };
  platform::OutputFile file_;
  State state_ = State::Waiting;
  uint64_t written_ = 0;
};

// The data of a link item (its target) kept in memory; larger than a path could be is an error.
class MemoryOutStream final : public ISequentialOutStream, private RefCounted<MemoryOutStream> {
  friend class RefCounted<MemoryOutStream>;

 public:
  HRESULT VARNET_7Z_CALL QueryInterface(const GUID& iid, void** out) override;
  VARNET_7Z_UNKNOWN_METHODS()
  HRESULT VARNET_7Z_CALL Write(const void* data, uint32_t size, uint32_t* processed) override;

  const std::string& data() const { return data_; }

 private:
  static constexpr size_t kLimit = 32768;
  std::string data_;
};

}  // namespace varnet::archive
