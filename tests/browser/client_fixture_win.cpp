// The desktop's side of the test bench on Windows: web addresses the shell opens go to a
// recording program (a copy of marker_program) through a private set of file and protocol
// classes that stands in for the user's for this process only; processes are read from a
// snapshot.

#include <windows.h>

#include <tlhelp32.h>

#include <cstdlib>

#include "client_fixture.h"
#include "platform/text.h"
#include "platform/wide_win.h"

namespace varnet::testing {

namespace fs = std::filesystem;

namespace {

constexpr char kDesktopBrowser[] = "desktop-browser.exe";

std::wstring classesKeyName() {
  return L"Software\\VarnetTestClasses\\" + std::to_wstring(GetCurrentProcessId());
}

void setCommand(HKEY classes, const wchar_t* scheme, const std::wstring& command) {
  HKEY key = nullptr;
  const std::wstring name = std::wstring(scheme) + L"\\shell\\open\\command";
  if (RegCreateKeyExW(classes, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

}  // namespace

void ClientTest::fakeTheDesktop() {
  fs::copy_file(VARNET_MARKER_PROGRAM, root_ / "bin" / kDesktopBrowser);
  HKEY classes = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, classesKeyName().c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
            ERROR_SUCCESS);
  const std::wstring command = L"\"" + (root_ / "bin" / kDesktopBrowser).wstring() + L"\" \"%1\"";
  setCommand(classes, L"http", command);
  setCommand(classes, L"https", command);
  // Every look-up of this process in the classes root now reads the private set.
  ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes), ERROR_SUCCESS);
  RegCloseKey(classes);
}

void ClientTest::restoreTheDesktop() {
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, classesKeyName().c_str());
}

// The recording program writes its working folder first, then the address.
std::vector<std::string> ClientTest::openedOnDesktop(size_t atLeast) {
  std::vector<std::string> opened =
      ranLines(root_ / (std::string(kDesktopBrowser) + ".ran"), atLeast);
  const std::string folder = root_.string() + " ";
  for (std::string& line : opened)
    if (line.compare(0, folder.size(), folder) == 0)
      line.erase(0, folder.size());
  return opened;
}

void ClientTest::setEnvironment(const char* name, const char* value) {
  SetEnvironmentVariableA(name, value);
  _putenv_s(name, value ? value : "");
}

int ClientTest::runningCopies(const fs::path& program) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return -1;
  int count = 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (!process)
      continue;
    wchar_t image[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    std::error_code ignored;
    if (QueryFullProcessImageNameW(process, 0, image, &size) &&
        fs::equivalent(fs::path(image), program, ignored))
      ++count;
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return count;
}

}  // namespace varnet::testing
