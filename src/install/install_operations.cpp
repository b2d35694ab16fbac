#include "install/install_operations.h"

#include <filesystem>
#include <system_error>

#include "install/file_helpers.h"
#include "install/shortcuts.h"
#include "platform/log.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace varnet {

int32_t InstallOperations::unzip(UnpackRequest request) {
  log::info("unzip start root=", log::quoted(request.setupPath),
            " package=", log::quoted(request.packageDir),
            " shortcut=", log::quoted(request.shortcutName), " exe=", log::quoted(request.exePath),
            " mode=", request.setupMode,
            request.password.empty() ? " without password" : " with password");
  job_.start(std::move(request));
  return 1;
}

int32_t InstallOperations::unzipProgress() const {
  return job_.progress();
}

void InstallOperations::stopUnzip() {
  if (job_.hasWorker())
    log::info("unzip stopped by the page");
  job_.stop();
}

std::u16string InstallOperations::setupPath() const {
  return job_.setupPath();
}

int32_t InstallOperations::unsetup(const std::u16string& installFolder,
                                   const std::u16string& shortcutName,
                                   const std::u16string& third,
                                   const std::u16string& fourth) {
  log::info("unsetup folder=", log::quoted(installFolder), " shortcut=", log::quoted(shortcutName));
  removeInstallation(installFolder, shortcutName, third, fourth);
  job_.forgetTexts();
  return 0;
}

void InstallOperations::deletePath(const std::u16string& path) {
  log::info("deletepath ", log::quoted(path));
  deleteTree(path);
}

void InstallOperations::runGame(const std::u16string& path) {
  // The program's folder: the path made absolute against the current directory, its last
  // component cut off. The shell gets the path as the page gave it.
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(toPath(path), error);
  std::u16string folder = error ? std::u16string() : fromPath(absolute.parent_path());
  log::info("rungame ", log::quoted(path), " in ", log::quoted(folder));
  platform::shellOpen(path, {}, folder);
}

std::u16string withForwardSlashes(std::u16string path) {
  for (char16_t& c : path) {
    if (c == u'\\')
      c = u'/';
  }
  return path;
}

}  // namespace varnet
