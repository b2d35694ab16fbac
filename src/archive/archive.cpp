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
constexpr uint64_t kIsNotArc = 0x1;

}  // namespace

Format rarFormatOf(const std::u16string& archivePath) {
  static const char kRar5Signature[] = "Rar!\x1A\x07\x01\x00";
  char head[8] = {};
  std::ifstream file(toPath(archivePath), std::ios::binary);
  file.read(head, sizeof head);
  bool rar5 = file.gcount() == sizeof head && std::equal(head, head + 8, kRar5Signature);
  return rar5 ? Format::Rar5 : Format::Rar;
}

Result<std::unique_ptr<SevenZipLibrary>> SevenZipLibrary::load() {
  std::string tried;
  for (const std::u16string& candidate : sevenZipLibraryCandidates()) {
    Result<std::unique_ptr<SevenZipLibrary>> library = load(candidate);
    if (library)
      return library;
    tried += (tried.empty() ? "" : "; ") + library.error().message;
  }
  return Error{ErrorKind::Io, tried, {}};
}

Result<std::unique_ptr<SevenZipLibrary>> SevenZipLibrary::load(const std::u16string& path) {
  try {
    std::unique_ptr<SevenZipLibrary> library(new SevenZipLibrary);
    library->loadFrom(path);
    return library;
  } catch (Failure& failure) {
    return std::move(failure.error);
  } catch (const std::bad_alloc&) {
    return Error{ErrorKind::Io, "out of memory", {}};
  }
}

SevenZipLibrary::~SevenZipLibrary() = default;

void SevenZipLibrary::loadFrom(const std::u16string& path) {
  auto refuse = [&](const std::string& why) {
    throw Failure{{ErrorKind::Io, toUtf8(path) + why, path}};
  };
  std::unique_ptr<platform::Library> library = platform::Library::load(path);
  if (!library)
    refuse(": cannot load the 7-Zip library");
  void* createObject = library->symbol("CreateObject");
  std::optional<ComRuntime> runtime = comRuntimeFor(*library);
  if (!createObject || !runtime)
    refuse(" is not a 7-Zip library");
  if (!hasExpectedInterfaceLayout(*library, *runtime))
    refuse(" has an unsupported interface layout (7-Zip 23 or later needed)");
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
    throw Failure{{ErrorKind::NotAnArchive,
                   std::string("the 7-Zip library has no ") + formatName(format) + " handler",
                   {}}};
  return handler;
}

Result<std::unique_ptr<ArchiveReader>> ArchiveReader::open(const SevenZipLibrary& library,
                                                           const std::u16string& archivePath,
                                                           Format format,
                                                           const std::u16string& password) {
  try {
    std::unique_ptr<ArchiveReader> reader(
        new ArchiveReader(library, archivePath, format, password));
    reader->openArchive();
    return reader;
  } catch (Failure& failure) {
    return std::move(failure.error);
  } catch (const std::bad_alloc&) {
    return Error{ErrorKind::Io, "out of memory", {}};
  }
}

ArchiveReader::ArchiveReader(const SevenZipLibrary& library,
                             const std::u16string& archivePath,
                             Format format,
                             const std::u16string& password)
    : library_(library),
      archivePath_(archivePath),
      archiveName_(toPath(archivePath).filename().u8string()),
      format_(format),
      password_(password) {}

void ArchiveReader::openArchive() {
  auto refuse = [&](ErrorKind kind, const std::string& message) {
    throw Failure{{kind, message, archivePath_}};
  };
  ComPtr<InFileStream> stream(new InFileStream);
  if (!stream->open(toPath(archivePath_)))
    refuse(ErrorKind::Io, "cannot open " + toUtf8(archivePath_));
  ComPtr<IInArchive> archive(static_cast<IInArchive*>(library_.createHandler(format_)));
  if (format_ == Format::Zip)
    askForUtf8Names(*archive.get());
  ComPtr<OpenCallback> callback(
      new OpenCallback(library_.runtime(), password_, toPath(archivePath_)));
  // The archive must start at the file's first byte, as bit7z opens it.
  const uint64_t maxStart = 0;
  HRESULT result = archive->Open(stream.get(), &maxStart, callback.get());
  const PasswordSource& source = callback->password();
  if (result != kOk) {
    // A file that starts like the format but cannot be read to its end is damaged, not foreign.
    Property flags(library_.runtime());
    archive->GetArchiveProperty(kpidErrorFlags, flags.out());
    const uint64_t errorFlags = flags.number().value_or(kIsNotArc);
    archive->Close();
    if (result == kAbort && source.missing())
      refuse(ErrorKind::WrongPassword, archiveName_ + " needs a password");
    if (result == kFalse && source.asked())
      refuse(ErrorKind::WrongPassword, "wrong password for " + archiveName_);
    if (result == kFalse && (errorFlags & ~kIsNotArc) != 0)
      refuse(ErrorKind::Damaged, archiveName_ + " is damaged or incomplete (error flags " +
                                     hex(static_cast<int32_t>(errorFlags)) + ")");
    if (result == kFalse)
      refuse(ErrorKind::NotAnArchive,
             archiveName_ + " is not a " + formatName(format_) + " archive");
    refuse(ErrorKind::Damaged, "cannot open " + archiveName_ + ": " + hex(result));
  }
  if (std::optional<std::string> damage = damageOf(*archive.get())) {
    archive->Close();
    refuse(ErrorKind::Damaged, archiveName_ + ": " + *damage);
  }
  files_.push_back(archivePath_);
  files_.insert(files_.end(), callback->volumes().begin(), callback->volumes().end());
  archive_ = archive.share<IInArchive>();
}

// What 7-Zip found wrong with an opened archive: error flags, or its own message ("Missing
// volume : game.part2.rar"); for a volume set also volumes missing before the one opened.
std::optional<std::string> ArchiveReader::damageOf(IInArchive& archive) const {
  Property property(library_.runtime());
  archive.GetArchiveProperty(kpidErrorFlags, property.out());
  if (uint64_t flags = property.number().value_or(0) & ~kDataAfterEnd)
    return "damaged or incomplete (error flags " + hex(static_cast<int32_t>(flags)) + ")";
  archive.GetArchiveProperty(kpidError, property.out());
  if (!property.text().empty())
    return toUtf8(property.text());
  archive.GetArchiveProperty(kpidIsVolume, property.out());
  if (!property.flag())
    return std::nullopt;
  archive.GetArchiveProperty(kpidVolumeIndex, property.out());
  bool missingBefore = property.number().value_or(0) > 0;
  uint32_t count = 0;
  archive.GetNumberOfItems(&count);
  for (uint32_t index = 0; index < count && !missingBefore; ++index) {
    archive.GetProperty(index, kpidSplitBefore, property.out());
    missingBefore = property.flag();
  }
  if (missingBefore)
    return "missing volume before this one (open the set's first volume)";
  return std::nullopt;
}

// Zip names without the UTF-8 flag come as UTF-8 with each invalid byte b as U+EF00 + b, on both
// ports and whatever the process's locale or code page (see legacy_names.h).
void ArchiveReader::askForUtf8Names(IInArchive& archive) const {
  ISetProperties* properties = nullptr;
  if (failed(archive.QueryInterface(ISetProperties::kIid, reinterpret_cast<void**>(&properties))) ||
      !properties)
    throw Failure{{ErrorKind::NotAnArchive, "the 7-Zip zip handler takes no properties", {}}};
  ComPtr<ISetProperties> owned(properties);
  static const OLECHAR kCodePage[] = {'c', 'p', 0};
  const OLECHAR* names[] = {kCodePage};
  PROPVARIANT utf8{};
  utf8.vt = VT_UI4;
  utf8.ulVal = 65001;  // CP_UTF8
  if (failed(properties->SetProperties(names, &utf8, 1)))
    throw Failure{{ErrorKind::NotAnArchive, "the 7-Zip zip handler refused its code page", {}}};
}

ArchiveReader::~ArchiveReader() {
  if (!archive_)
    return;
  archive_->Close();
  archive_->Release();
}

uint32_t ArchiveReader::itemCount() const {
  uint32_t count = 0;
  if (failed(archive_->GetNumberOfItems(&count)))
    return 0;
  return count;
}

Result<std::unique_ptr<ArchiveReader>> ArchiveReader::openAgain() const {
  return open(library_, archivePath_, format_, password_);
}

bool ArchiveReader::setDecoderThreads(uint32_t threads) {
  // Only the 7z handler: a handler's SetProperties starts from its defaults, and the zip handler
  // would forget the code page that its names are read with.
  if (format_ != Format::SevenZip)
    return false;
  void* found = nullptr;
  if (failed(archive_->QueryInterface(ISetProperties::kIid, &found)) || !found)
    return false;
  ComPtr<ISetProperties> settings(static_cast<ISetProperties*>(found));
  static const OLECHAR kThreads[] = {'m', 't', 0};
  const OLECHAR* names[] = {kThreads};
  PROPVARIANT value{};
  value.vt = VT_UI4;
  value.ulVal = threads;
  return !failed(settings->SetProperties(names, &value, 1));
}

Result<uint64_t> ArchiveReader::size() const {
  uint64_t total = 0;
  uint32_t count = itemCount();
  Property property(library_.runtime());
  auto read = [&](uint32_t index, PROPID id) -> Property& {
    if (failed(archive_->GetProperty(index, id, property.out())))
      throw Failure{{ErrorKind::Damaged, "cannot read the items of " + archiveName_, archivePath_}};
    return property;
  };
  try {
    for (uint32_t index = 0; index < count; ++index) {
      if (!read(index, kpidIsDir).flag())
        total += read(index, kpidSize).number().value_or(0);
    }
  } catch (Failure& failure) {
    return std::move(failure.error);
  }
  return total;
}

}  // namespace varnet::archive
