#include "archive/archive.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "archive/com_object.h"
#include "archive/com_runtime.h"
#include "archive/library_location.h"
#include "archive/open_callback.h"
#include "archive/property.h"
#include "archive/streams.h"
#include "platform/library.h"
#include "platform/text.h"

namespace varnet::archive {
namespace {

uint8_t formatId(Format format) {
  switch (format) {
    case Format::Zip:
      return 0x01;
    case Format::SevenZip:
      return 0x07;
    case Format::Rar:
      return 0x03;
    case Format::Rar5:
      return 0xCC;
  }
  return 0x01;
}

const char* formatName(Format format) {
  switch (format) {
    case Format::Zip:
      return "zip";
    case Format::SevenZip:
      return "7z";
    case Format::Rar:
      return "rar";
    case Format::Rar5:
      return "rar5";
  }
  return "?";
}

std::string hex(int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

// Archive error flags that mean the archive cannot be trusted; data after its end is harmless.
constexpr uint64_t kDataAfterEnd = 0x40;

}  // namespace

Format rarFormatOf(const std::u16string& archivePath) {
  static const char kRar5Signature[] = "Rar!\x1A\x07\x01\x00";
  char head[8] = {};
  std::ifstream file(toPath(archivePath), std::ios::binary);
  file.read(head, sizeof head);
  bool rar5 = file.gcount() == sizeof head && std::equal(head, head + 8, kRar5Signature);
  return rar5 ? Format::Rar5 : Format::Rar;
}

SevenZipLibrary::SevenZipLibrary() {
  std::string tried;
  for (const std::u16string& candidate : sevenZipLibraryCandidates()) {
    try {
      loadFrom(candidate);
      return;
    } catch (const ArchiveError& error) {
      tried += (tried.empty() ? "" : "; ") + std::string(error.what());
    }
  }
  throw ArchiveError(tried);
}

SevenZipLibrary::SevenZipLibrary(const std::u16string& path) {
  loadFrom(path);
}

SevenZipLibrary::~SevenZipLibrary() = default;

void SevenZipLibrary::loadFrom(const std::u16string& path) {
  std::unique_ptr<platform::Library> library = platform::Library::load(path);
  if (!library)
    throw ArchiveError("cannot load " + toUtf8(path));
  void* createObject = library->symbol("CreateObject");
  std::optional<ComRuntime> runtime = comRuntimeFor(*library);
  if (!createObject || !runtime)
    throw ArchiveError(toUtf8(path) + " is not a 7-Zip library");
  if (!hasExpectedInterfaceLayout(*library, *runtime))
    throw ArchiveError(toUtf8(path) +
                       " has an unsupported interface layout (7-Zip 23 or later needed)");
  library_ = std::move(library);
  runtime_ = std::make_unique<ComRuntime>(*runtime);
  createObject_ = createObject;
}

void* SevenZipLibrary::createHandler(Format format) const {
  GUID classId = handlerClassId(formatId(format));
  void* handler = nullptr;
  HRESULT result =
      reinterpret_cast<CreateObjectFunction>(createObject_)(&classId, &IInArchive::kIid, &handler);
  if (failed(result) || !handler)
    throw ArchiveError(std::string("the 7-Zip library has no ") + formatName(format) + " handler",
                       result);
  return handler;
}

ArchiveReader::ArchiveReader(const SevenZipLibrary& library,
                             const std::u16string& archivePath,
                             Format format,
                             const std::u16string& password)
    : library_(library), format_(format), password_(password) {
  ComPtr<InFileStream> stream(new InFileStream);
  if (!stream->open(toPath(archivePath)))
    throw ArchiveError("cannot open " + toUtf8(archivePath));
  ComPtr<IInArchive> archive(static_cast<IInArchive*>(library.createHandler(format)));
  ComPtr<OpenCallback> callback(new OpenCallback(library.runtime(), password));
  // The archive must start at the file's first byte, as bit7z opens it.
  const uint64_t maxStart = 0;
  HRESULT result = archive->Open(stream.get(), &maxStart, callback.get());
  const PasswordSource& source = callback->password();
  if (result != kOk) {
    archive->Close();
    if (result == kAbort && source.missing())
      throw ArchiveError("the archive needs a password", result);
    if (result == kFalse && source.asked())
      throw ArchiveError("wrong password", result);
    if (result == kFalse)
      throw ArchiveError(toUtf8(archivePath) + " is not a " + formatName(format) + " archive",
                         kFail);
    throw ArchiveError("cannot open " + toUtf8(archivePath) + ": " + hex(result), result);
  }
  Property flags(library.runtime());
  archive->GetArchiveProperty(kpidErrorFlags, flags.out());
  if (flags.number().value_or(0) & ~kDataAfterEnd) {
    archive->Close();
    throw ArchiveError(toUtf8(archivePath) + " is damaged or incomplete (error flags " +
                       hex(static_cast<int32_t>(*flags.number())) + ")");
  }
  archive_ = archive.share<IInArchive>();
}

ArchiveReader::~ArchiveReader() {
  archive_->Close();
  archive_->Release();
}

uint32_t ArchiveReader::itemCount() const {
  uint32_t count = 0;
  if (failed(archive_->GetNumberOfItems(&count)))
    throw ArchiveError("cannot count the archive's items");
  return count;
}

uint64_t ArchiveReader::size() const {
  uint64_t total = 0;
  uint32_t count = itemCount();
  Property property(library_.runtime());
  for (uint32_t index = 0; index < count; ++index) {
    if (failed(archive_->GetProperty(index, kpidIsDir, property.out())))
      throw ArchiveError("cannot read the archive's items");
    if (property.flag())
      continue;
    if (failed(archive_->GetProperty(index, kpidSize, property.out())))
      throw ArchiveError("cannot read the archive's items");
    total += property.number().value_or(0);
  }
  return total;
}

}  // namespace varnet::archive
