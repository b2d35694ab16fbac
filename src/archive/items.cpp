#include "archive/items.h"

#include <memory>
#include <mutex>

#include "archive/error.h"
#include "archive/item_path.h"
#include "archive/legacy_names.h"
#include "archive/property.h"
#include "platform/output_file.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace varnet::archive {
namespace {

constexpr uint32_t kUnixModeFlag = 0x8000;  // kpidAttrib: the high 16 bits hold st_mode
constexpr uint32_t kFileTypeMask = 0xF000;
constexpr uint32_t kSymbolicLinkType = 0xA000;
constexpr uint32_t kDirectoryType = 0x4000;

// A modification time before 1970 is left out: the file keeps the time it was written at.
std::optional<uint64_t> modificationTime(std::optional<uint64_t> ticks) {
  if (!ticks || *ticks < platform::kUnixEpochTicks)
    return std::nullopt;
  return ticks;
}

// What 7-Zip's own program calls an item that has no name: the archive's file name without its
// extension (a file name without one gets a "~").
std::u16string unnamedItemName(const std::u16string& archiveName) {
  size_t dot = archiveName.rfind(u'.');
  std::u16string name =
      dot != std::u16string::npos && dot > 0 ? archiveName.substr(0, dot) : archiveName + u"~";
  while (!name.empty() && name.back() == u' ')
    name.pop_back();
  return name;
}

}  // namespace

std::vector<Item> planItems(IInArchive& archive,
                            const ComRuntime& runtime,
                            uint32_t count,
                            Format format,
                            const std::u16string& archiveName) {
  // One reading at a time in the process: on Linux the library turns a zip item's DOS time into
  // UTC with localtime(), gmtime() and mktime(), which share one result buffer between threads,
  // so two workers reading times at once could swap their time-zone offsets.
  static std::mutex oneAtATime;
  std::lock_guard<std::mutex> lock(oneAtATime);
  const std::string name = toUtf8(archiveName);
  std::vector<Item> items(count);
  Property property(runtime);
  auto read = [&](uint32_t index, PROPID id) -> Property& {
    if (failed(archive.GetProperty(index, id, property.out())))
      throw Failure{{ErrorKind::Damaged, "cannot read the items of " + name, archiveName}};
    return property;
  };
  for (uint32_t index = 0; index < count; ++index) {
    Item& item = items[index];
    if (std::optional<uint64_t> block = read(index, kpidBlock).number())
      item.block = static_cast<uint32_t>(*block);
    item.isDirectory = read(index, kpidIsDir).flag();
    std::u16string rawPath = read(index, kpidPath).text();
    if (format == Format::Zip &&
        read(index, kpidCharacts).text().find(u"UTF8") == std::u16string::npos)
      rawPath = decodeLegacyZipName(rawPath);
    if (rawPath.empty() && item.isDirectory)
      continue;  // the folder itself
    if (rawPath.empty())
      rawPath = unnamedItemName(archiveName);
    item.name = rawPath;
    std::optional<fs::path> relative = safeItemPath(rawPath);
    if (!relative)
      throw Failure{{ErrorKind::LeavesFolder,
                     name + ": " + toUtf8(rawPath) + " would leave the install folder", rawPath}};
    item.relative = *relative;
    item.encrypted = read(index, kpidEncrypted).flag();
    item.size = read(index, kpidSize).number();
    item.modified = modificationTime(read(index, kpidMTime).fileTime());
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
      throw Failure{{ErrorKind::LinkRefused,
                     name + ": hard links are not supported: " + toUtf8(rawPath), rawPath}};
  }
  return items;
}

Result<ItemPlan> ArchiveReader::plan() const {
  try {
    return ItemPlan(std::make_shared<const std::vector<Item>>(
        planItems(*archive_, library_.runtime(), itemCount(), format_, fromUtf8(archiveName_))));
  } catch (Failure& failure) {
    return std::move(failure.error);
  } catch (const std::bad_alloc&) {
    return Error{ErrorKind::Io, "out of memory", {}};
  }
}

Result<std::vector<ItemInfo>> ArchiveReader::items() const {
  Result<ItemPlan> planned = plan();
  if (!planned)
    return planned.error();
  return describeItems(*planned);
}

std::vector<ItemInfo> describeItems(const ItemPlan& plan) {
  std::vector<ItemInfo> items(plan->size());
  for (size_t index = 0; index < items.size(); ++index) {
    const Item& item = (*plan)[index];
    items[index].path = fromPath(item.relative);
    if (!item.isDirectory)
      items[index].size = item.size.value_or(0);
    items[index].block = item.block;
  }
  return items;
}

}  // namespace varnet::archive
