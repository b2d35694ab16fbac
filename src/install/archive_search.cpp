#include "install/archive_search.h"

namespace varnet {
namespace {

#ifdef _WIN32
constexpr bool kWindowsPaths = true;  // drive letters, and "\" beside "/"
#else
constexpr bool kWindowsPaths = false;
#endif

constexpr size_t kPartBuffer = 260;

bool isSeparator(char16_t c) {
  return c == u'/' || (kWindowsPaths && c == u'\\');
}

}  // namespace

std::optional<std::u16string> findArchive(const std::vector<std::u16string>& paths) {
  static const std::u16string_view kSuffixes[] = {u".zip", u".rar", u".7z"};
  for (const std::u16string& path : paths) {
    size_t dot = path.rfind(u'.');
    std::u16string_view suffix =
        dot == std::u16string::npos ? std::u16string_view() : std::u16string_view(path).substr(dot);
    for (std::u16string_view accepted : kSuffixes) {
      if (suffix == accepted)
        return path;
    }
  }
  return std::nullopt;
}

std::optional<ArchivePathParts> splitArchivePath(const std::u16string& path) {
  ArchivePathParts parts;
  std::u16string_view rest(path);
  if (kWindowsPaths && rest.size() >= 2 && rest[1] == u':') {
    parts.drive = rest.substr(0, 2);
    rest.remove_prefix(2);
  }
  size_t nameStart = 0;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (isSeparator(rest[i]))
      nameStart = i + 1;
  }
  parts.folder = rest.substr(0, nameStart);
  std::u16string_view name = rest.substr(nameStart);
  size_t dot = name.rfind(u'.');
  parts.baseName = name.substr(0, dot);
  if (dot != std::u16string_view::npos)
    parts.extension = name.substr(dot);
  for (const std::u16string* part :
       {&parts.drive, &parts.folder, &parts.baseName, &parts.extension})
    if (part->size() >= kPartBuffer)
      return std::nullopt;
  return parts;
}

}  // namespace varnet
