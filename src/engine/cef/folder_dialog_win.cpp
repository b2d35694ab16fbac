#include "engine/folder_dialog.h"

#include <shlobj.h>
#include <windows.h>

namespace varnet::engine {

namespace {

std::u16string browse(const std::u16string& title) {
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = GetForegroundWindow();
  info.pidlRoot = nullptr;  // the whole shell namespace
  info.pszDisplayName = path;
  info.lpszTitle = reinterpret_cast<const wchar_t*>(title.c_str());
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;  // 0x41
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (!item)
    return {};
  std::u16string chosen;
  if (SHGetPathFromIDListW(item, path))
    chosen = reinterpret_cast<const char16_t*>(path);
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator))) {
    allocator->Free(item);
    allocator->Release();
  }
  return chosen;
}

}  // namespace

std::u16string RunFolderDialog(const std::u16string& title) {
  // The new dialog style needs COM on this thread; already initialised is fine too.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::u16string chosen = browse(title);
  if (SUCCEEDED(com))
    CoUninitialize();
  return chosen;
}

}  // namespace varnet::engine
