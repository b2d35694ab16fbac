#pragma once

// Archives made at test time with the real 7-Zip program (the 7z command here, the official
// 7z.exe beside the test program on Windows) or written byte by byte (archive_writer.h), and
// snapshots of the folders they are unpacked into.

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "archive_writer.h"
#include "support/temp_folder.h"

namespace varnet::testing {

namespace fs = std::filesystem;

inline std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// Runs a shell command quietly; true when it exited with 0.
inline bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Deterministic bytes that compress a little: random words, every eighth one a constant.
inline std::string sampleBytes(size_t size, unsigned seed) {
  std::string bytes(size + 8, '\0');
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < size; i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    uint64_t word = (i / 8) % 8 == 0 ? 0x6161616161616161ull : state;
    std::memcpy(&bytes[i], &word, 8);
  }
  bytes.resize(size);
  return bytes;
}

// An item's path as the 7-Zip library reports it: with the OS's separator.
inline std::string itemPath(std::string path) {
#ifdef _WIN32
  for (char& c : path)
    if (c == '/')
      c = '\\';
#endif
  return path;
}

// Every regular file below `folder`: relative path ("/"-separated UTF-8) -> content. Links are
// listed by target.
inline std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder))
    return files;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it) {
    // Lexically: fs::relative would follow a link and list it under its target's name.
    std::string relative = it->path().lexically_relative(folder).generic_u8string();
    if (it->is_symlink())
      files[relative] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_regular_file())
      files[relative] = readFile(it->path());
    else if (it->is_directory())
      files[relative + "/"] = "";
  }
  return files;
}

// Makes `archive` from the contents of `source` with 7-Zip (extra switches in `options`).
#ifdef _WIN32
inline bool sevenZip(const fs::path& archive, const fs::path& source, const std::string& options) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::path program = fs::path(self).parent_path() / "7z.exe";
  // The contents of `source`, named relative to it; the program does not run inside `source`,
  // which Wine would keep open for a moment after the program has ended.
  std::wstring line = L"\"" + program.wstring() + L"\" a -bd -y " +
                      std::wstring(options.begin(), options.end()) + L" \"" + archive.wstring() +
                      L"\" \"" + (source / "*").wstring() + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                           nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  DWORD code = 1;
  if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(nul);
  return code == 0;
}
#else
inline bool sevenZip(const fs::path& archive, const fs::path& source, const std::string& options) {
  return run("cd " + quoted(source) + " && 7z a -bd -y " + options + " " + quoted(archive) + " .");
}
#endif

}  // namespace varnet::testing
