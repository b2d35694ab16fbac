#include "support/win_test_support.h"

#include <shlobj.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/text.h"

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

// Wine's own export that names the host file behind a Windows path; absent on Windows.
using UnixFileName = char*(CDECL*)(const wchar_t*);

UnixFileName wineUnixFileName() {
  FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(found));
}

bool isLink(const fs::path& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Runs a host program under Wine with host paths as arguments and waits for it.
bool runHostCommand(const std::wstring& program, const std::vector<std::string>& arguments) {
  std::wstring commandLine = program;
  for (const std::string& argument : arguments)
    commandLine += L" \"" + fs::path(argument).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::string hostPath(UnixFileName unixFileName, const fs::path& path) {
  char* name = unixFileName(path.c_str());
  std::string result = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Host programs started from Wine are not waited for by their handle; their effect is.
bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 100; ++i) {
    if (done())
      return true;
    Sleep(50);
  }
  return done();
}

// Removes a test tree; links are removed as links and never entered.
void removeTree(const fs::path& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder / L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..")
        continue;
      fs::path entry = folder / name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        removeFolderLink(entry);
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(entry);
      } else {
        SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(entry.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
  static int counter = 0;
  path_ = fs::temp_directory_path() / ("varnet-test-" + std::to_string(GetCurrentProcessId()) +
                                       "-" + std::to_string(++counter));
  removeTree(path_);
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  // Links first: Wine no longer lists a link whose target has gone, so it could not be found.
  for (const fs::path& link : links_)
    removeFolderLink(link);
  // A child program started in the tree may still be ending, holding its current folder.
  waitFor([&] {
    removeTree(path_);
    return !fs::exists(path_);
  });
}

std::u16string TempFolder::text() const {
  return fromPath(path_);
}

bool TempFolder::makeFolderLink(const fs::path& link, const fs::path& target) {
  links_.push_back(link);
  if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
      isLink(link))
    return true;
  UnixFileName unixFileName = wineUnixFileName();
  if (!unixFileName)
    return false;
  runHostCommand(L"Z:\\bin\\ln",
                 {"-s", hostPath(unixFileName, target), hostPath(unixFileName, link)});
  // Under load the host program may take a while to start.
  for (int i = 0; i < 6 && !isLink(link); ++i)
    waitFor([&] { return isLink(link); });
  return isLink(link);
}

void removeFolderLink(const fs::path& link) {
  // Wine 8 does not remove a folder link through the Win32 calls: it removes the target
  // instead when that is empty. There the host's rm removes the link itself.
  UnixFileName unixFileName = wineUnixFileName();
  if (!unixFileName) {
    if (!RemoveDirectoryW(link.c_str()))
      DeleteFileW(link.c_str());
  } else if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
    runHostCommand(L"Z:\\bin\\rm", {hostPath(unixFileName, link)});
    waitFor([&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
  }
}

void writeFile(const fs::path& file, const std::string& content) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << content;
}

fs::path hostPath(const std::string& built) {
  return fs::path(built.front() == '/' ? "Z:" + built : built).make_preferred();
}

fs::path probeProgram() {
  return hostPath(VARNET_PROBE_PROGRAM);
}

namespace {
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
}

ScopedDesktopFolder::ScopedDesktopFolder()
    : turn_(CreateMutexW(nullptr, FALSE, L"varnet-test-desktop")),
      path_(folder_.path() / "Desktop") {
  if (!turn_ || WaitForSingleObject(turn_, 120000) == WAIT_TIMEOUT)
    return;
  fs::create_directories(path_);
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS)
    return;
  DWORD size = 0;
  hadOld_ = RegQueryValueExW(key_, L"Desktop", nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS;
  if (hadOld_) {
    old_.resize(size);
    RegQueryValueExW(key_, L"Desktop", nullptr, &oldType_, old_.data(), &size);
  }
  std::wstring folder = path_.wstring();
  if (RegSetValueExW(key_, L"Desktop", 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
    return;
  wchar_t answer[MAX_PATH] = {};
  active_ = SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, answer)) &&
            fs::path(answer) == path_;
}

ScopedDesktopFolder::~ScopedDesktopFolder() {
  if (key_) {
    if (hadOld_)
      RegSetValueExW(key_, L"Desktop", 0, oldType_, old_.data(), static_cast<DWORD>(old_.size()));
    else
      RegDeleteValueW(key_, L"Desktop");
    RegCloseKey(key_);
  }
  if (turn_) {
    ReleaseMutex(turn_);
    CloseHandle(turn_);
  }
}

bool waitForProbeRecord(const fs::path& folder, ProbeRecord& record, std::chrono::seconds timeout) {
  fs::path file = folder / "probe-record.txt";
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::ifstream in(file, std::ios::binary);
  std::string line;
  std::getline(in, line);
  record.currentDirectory = fromUtf8(line);
  std::getline(in, line);
  std::istringstream(line) >> record.startupFlags >> record.showWindow;
  record.arguments.clear();
  while (std::getline(in, line))
    record.arguments.push_back(fromUtf8(line));
  return true;
}

}  // namespace varnet::test
