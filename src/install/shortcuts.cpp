#include "install/shortcuts.h"

#include <optional>

#include "install/file_helpers.h"
#include "platform/desktop.h"
#include "platform/files.h"

namespace varnet {
namespace {

// The shell's path buffer, terminator included: a longer shortcut path is refused, never cut.
constexpr size_t kPathBuffer = 260;

// The shortcut file of `name` on the desktop, when there is a desktop folder and the name stays
// inside it as a plain file name.
std::optional<std::u16string> desktopShortcutFile(const std::u16string& name) {
  if (name == u".." || name.find_first_of(std::u16string(u"/\\\0", 3)) != std::u16string::npos)
    return std::nullopt;
  std::optional<std::u16string> desktop = platform::desktopFolder();
  if (!desktop)
    return std::nullopt;
  std::u16string file = platform::shortcutFilePath(*desktop, name);
  if (file.size() + 1 > kPathBuffer)
    return std::nullopt;
  return file;
}

bool hasZero(const std::u16string& text) {
  return text.find(u'\0') != std::u16string::npos;
}

}  // namespace

int createDesktopShortcut(const std::u16string& target,
                          const std::u16string& workingDir,
                          const std::u16string& name) {
  std::optional<std::u16string> file = desktopShortcutFile(name);
  if (!file || hasZero(target) || hasZero(workingDir))
    return -1;
  return platform::writeShortcut(*file, target, workingDir) ? 1 : -1;
}

int removeInstallation(const std::u16string& folder,
                       const std::u16string& name,
                       const std::u16string& /*third*/,
                       const std::u16string& /*fourth*/) {
  deleteTree(folder);
  if (std::optional<std::u16string> file = desktopShortcutFile(name))
    platform::deleteFile(*file);
  return 0;
}

}  // namespace varnet
