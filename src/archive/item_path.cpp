#include "archive/item_path.h"

#include <string>

#include "platform/text.h"

namespace varnet::archive {
namespace {

// 7z.dll hands a backslash of a Unix-made archive over as U+F05C: it still separates names here,
// so that both ports refuse the same archives.
constexpr char16_t kBackslashFromUnix = 0xF05C;

bool isSeparator(char16_t c) {
  return c == u'/' || c == u'\\' || c == kBackslashFromUnix;
}

bool onlyDotsAndSpaces(std::u16string_view name) {
  return name.find_first_not_of(u". ") == std::u16string_view::npos;
}

bool hasDriveLetter(std::u16string_view name) {
  return name.size() >= 2 && name[1] == u':' &&
         ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'));
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, with any extension: Windows opens the device instead
// of a file, so such an item would be lost or sent to a port. Refused everywhere, so that a
// package behaves the same on both ports.
bool isWindowsDeviceName(std::u16string_view name) {
  std::u16string stem;
  for (char16_t c : name.substr(0, name.find(u'.')))
    stem += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
  while (!stem.empty() && stem.back() == u' ')
    stem.pop_back();
  if (stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL")
    return true;
  return stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
         stem[3] >= u'1' && stem[3] <= u'9';
}

}  // namespace

std::vector<std::u16string_view> itemPathNames(std::u16string_view raw) {
  std::vector<std::u16string_view> names;
  size_t start = 0;
  while (start <= raw.size()) {
    size_t end = start;
    while (end < raw.size() && !isSeparator(raw[end]))
      ++end;
    names.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::optional<std::filesystem::path> safeItemPath(std::u16string_view raw) {
  if (raw.empty() || isSeparator(raw.front()))
    return std::nullopt;
  std::filesystem::path relative;
  for (std::u16string_view name : itemPathNames(raw)) {
    if (name.empty() || name == u".")
      continue;
    if (onlyDotsAndSpaces(name) || hasDriveLetter(name) || isWindowsDeviceName(name))
      return std::nullopt;
    relative /= toPath(name);
  }
  if (relative.empty())
    return std::nullopt;
  return relative;
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& root) {
  std::filesystem::path relative = path.lexically_relative(root);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace varnet::archive
