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

// A RAR volume's name "<set>.part<number>.rar": the set and the number, else nothing.
std::optional<std::pair<std::u16string_view, unsigned long>> rarVolume(std::u16string_view path) {
  static constexpr std::u16string_view kSuffix = u".rar";
  static constexpr std::u16string_view kPart = u".part";
  if (path.size() < kSuffix.size() || path.substr(path.size() - kSuffix.size()) != kSuffix)
    return std::nullopt;
  std::u16string_view stem = path.substr(0, path.size() - kSuffix.size());
  size_t digits = stem.size();
  while (digits > 0 && stem[digits - 1] >= u'0' && stem[digits - 1] <= u'9')
    --digits;
  if (digits == stem.size() || stem.size() - digits > 9 || digits < kPart.size() ||
      stem.substr(digits - kPart.size(), kPart.size()) != kPart)
    return std::nullopt;
  unsigned long number = 0;
  for (char16_t c : stem.substr(digits))
    number = number * 10 + (c - u'0');
  return std::pair{stem.substr(0, digits - kPart.size()), number};
}

// The set's first volume when `found` is a later volume of a RAR set and `paths` holds the
// first; `found` itself otherwise.
const std::u16string& firstVolume(const std::u16string& found,
                                  const std::vector<std::u16string>& paths) {
  auto volume = rarVolume(found);
  if (!volume || volume->second == 1)
    return found;
  for (const std::u16string& path : paths) {
    auto other = rarVolume(path);
    if (other && other->first == volume->first && other->second == 1)
      return path;
  }
  return found;
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
        return firstVolume(path, paths);
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
