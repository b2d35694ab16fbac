#include "platform/desktop.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/wide_win.h"

namespace varnet::platform {

std::optional<std::u16string> desktopFolder() {
  wchar_t folder[MAX_PATH];
  if (FAILED(
          SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return std::nullopt;
  return fromWide(folder);
}

std::u16string shortcutFilePath(const std::u16string& desktop, const std::u16string& name) {
  return desktop + u"\\" + name + u".lnk";
}

bool writeShortcut(const std::u16string& shortcutFile,
                   const std::u16string& target,
                   const std::u16string& workingDir) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return false;
  bool saved = false;
  if (SUCCEEDED(link->SetPath(wide(target)))) {
    link->SetWorkingDirectory(wide(workingDir));
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      saved = SUCCEEDED(file->Save(wide(shortcutFile), TRUE));
      file->Release();
    }
  }
  link->Release();
  return saved;
}

void initialiseComOnThisThread() {
  CoInitialize(nullptr);
}

}  // namespace varnet::platform
