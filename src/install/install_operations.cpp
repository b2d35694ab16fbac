#include "install/install_operations.h"

#include <filesystem>
#include <system_error>

#include "install/file_helpers.h"
#include "install/shortcuts.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace varnet {

int32_t InstallOperations::unzip(UnpackRequest request) {
  job_.start(std::move(request));
  return 1;
}

int32_t InstallOperations::unzipProgress() const {
  return job_.progress();
}

void InstallOperations::stopUnzip() {
  job_.stop();
}

std::u16string InstallOperations::setupPath() const {
  return job_.setupPath();
}

int32_t InstallOperations::unsetup(const std::u16string& installFolder,
                                   const std::u16string& shortcutName,
                                   const std::u16string& third,
                                   const std::u16string& fourth) {
  removeInstallation(installFolder, shortcutName, third, fourth);
  job_.forgetTexts();
  return 0;
}

void InstallOperations::deletePath(const std::u16string& path) {
  deleteTree(path);
}

void InstallOperations::runGame(const std::u16string& path) {
  // The program's folder: the path made absolute against the current directory, its last
  // component cut off. The shell gets the path as the page gave it.
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(toPath(path), error);
  std::u16string folder = error ? std::u16string() : fromPath(absolute.parent_path());
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
