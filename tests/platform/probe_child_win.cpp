// A child program for the launch tests. It writes into its current folder a record of what it
// was started with: the current folder, the startup flags and show command, and its arguments,
// one per line in UTF-8. With "--stay", or a file "stay" in that folder, it then keeps running
// until a file "stop" appears there.

#include <windows.h>

#include <cwchar>
#include <fstream>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? length - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t folder[32768];
  GetCurrentDirectoryW(32768, folder);
  STARTUPINFOW startup;
  GetStartupInfoW(&startup);
  {
    // Written under another name and renamed, so that the test never reads half a record.
    std::ofstream out(L"probe-record.tmp", std::ios::binary);
    out << utf8(folder) << '\n' << startup.dwFlags << ' ' << startup.wShowWindow << '\n';
    for (int i = 0; i < argc; ++i)
      out << utf8(argv[i]) << '\n';
  }
  MoveFileExW(L"probe-record.tmp", L"probe-record.txt", MOVEFILE_REPLACE_EXISTING);
  bool stay = (argc > 1 && std::wcscmp(argv[argc - 1], L"--stay") == 0) ||
              GetFileAttributesW(L"stay") != INVALID_FILE_ATTRIBUTES;
  for (int waited = 0; stay && waited < 600; ++waited) {
    if (GetFileAttributesW(L"stop") != INVALID_FILE_ATTRIBUTES)
      break;
    Sleep(100);
  }
  return 0;
}
