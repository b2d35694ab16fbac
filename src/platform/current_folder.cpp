#include "platform/current_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/text.h"

namespace varnet::platform {

namespace {

constexpr char16_t kSeparator = static_cast<char16_t>(std::filesystem::path::preferred_separator);

}  // namespace

std::u16string currentFolder() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::u16string() : fromPath(folder);
}

std::u16string inFolder(const std::u16string& folder, std::u16string_view relative) {
  if (folder.empty())
    return {};
  std::u16string path = folder;
  // A root folder ("/", "C:\") already ends in a separator.
  if (path.back() != kSeparator)
    path += kSeparator;
  for (char16_t c : relative)
    path += c == u'/' ? kSeparator : c;
  return path;
}

std::u16string inCurrentFolder(std::u16string_view relative) {
  return inFolder(currentFolder(), relative);
}

}  // namespace varnet::platform
