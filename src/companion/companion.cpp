#include "companion/companion.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/current_folder.h"
#include "platform/log.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace varnet {
namespace {

constexpr char16_t kImageName[] = u"httpcurl.exe";
// Under the current folder.
constexpr char16_t kProgram[] = u"data/annex/httpcurl/httpcurl.exe";
constexpr char16_t kFolder[] = u"data/annex/httpcurl/";
constexpr char16_t kConfigArgument[] = u"--conf-path=httpcurl.conf";
constexpr size_t kCurrentDirectoryBuffer = 260;  // terminator included

}  // namespace

bool IsCompanionRunning() {
  std::optional<std::vector<std::u16string>> names = platform::runningImageNames();
  return names && std::find(names->begin(), names->end(), kImageName) != names->end();
}

bool LaunchCompanion() {
  const std::u16string current = platform::currentFolder();
  if (current.empty() || current.size() + 1 > kCurrentDirectoryBuffer) {
    log::warning("companion not launched: the current folder is too long or unknown");
    return false;
  }
  const std::u16string program = platform::inFolder(current, kProgram);
  const bool launched = platform::launchDetached(program, {kConfigArgument},
                                                 platform::inFolder(current, kFolder));
  if (launched)
    log::info("companion launched ", log::quoted(program));
  else
    log::warning("companion launch failed ", log::quoted(program));
  return launched;
}

}  // namespace varnet
