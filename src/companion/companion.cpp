#include "companion/companion.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace varnet {
namespace {

constexpr char16_t kImageName[] = u"httpcurl.exe";
constexpr char16_t kProgramTail[] = u"/data/annex/httpcurl/httpcurl.exe";
constexpr char16_t kFolderTail[] = u"/data/annex/httpcurl/";
constexpr char16_t kConfigArgument[] = u"--conf-path=httpcurl.conf";
constexpr size_t kCurrentDirectoryBuffer = 260;  // terminator included

// The tails in the OS's own separator, so that the companion sees the path it expects.
std::u16string native(std::u16string path) {
  std::replace(path.begin(), path.end(), u'/',
               static_cast<char16_t>(std::filesystem::path::preferred_separator));
  return path;
}

}  // namespace

bool IsCompanionRunning() {
  std::optional<std::vector<std::u16string>> names = platform::runningImageNames();
  return names && std::find(names->begin(), names->end(), kImageName) != names->end();
}

bool LaunchCompanion() {
  std::error_code error;
  const std::u16string current = fromPath(std::filesystem::current_path(error));
  if (error || current.empty() || current.size() + 1 > kCurrentDirectoryBuffer) {
    log::warning("companion not launched: the current folder is too long or unknown");
    return false;
  }
  const std::u16string program = current + native(kProgramTail);
  const bool launched =
      platform::launchDetached(program, {kConfigArgument}, current + native(kFolderTail));
  if (launched)
    log::info("companion launched ", log::quoted(program));
  else
    log::warning("companion launch failed ", log::quoted(program));
  return launched;
}

}  // namespace varnet
