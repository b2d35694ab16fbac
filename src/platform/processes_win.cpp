#include "platform/processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>

#include "platform/wide_win.h"

namespace varnet::platform {
namespace {

// One argument as the C runtime's command-line parser reads it back: quoted when it holds
// blanks or quotes, with backslashes doubled only where they precede a quote.
void appendArgument(std::u16string& commandLine, const std::u16string& argument) {
  commandLine += u' ';
  if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string::npos) {
    commandLine += argument;
    return;
  }
  commandLine += u'"';
  size_t backslashes = 0;
  for (char16_t unit : argument) {
    if (unit == u'\\') {
      ++backslashes;
      continue;
    }
    commandLine.append(unit == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
    backslashes = 0;
    commandLine += unit;
  }
  commandLine.append(backslashes * 2, u'\\');
  commandLine += u'"';
}

}  // namespace

std::optional<std::vector<std::u16string>> runningImageNames() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::vector<std::u16string> names;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);  // the wide entry's size in this build (556 on 32-bit)
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    names.push_back(fromWide(entry.szExeFile));
  CloseHandle(snapshot);
  return names;
}

bool launchDetached(const std::u16string& program,
                    const std::vector<std::u16string>& arguments,
                    const std::u16string& workingDir) {
  // A program path with a space would otherwise be split at it by the loader's search.
  std::u16string commandLine =
      program.find(u' ') == std::u16string::npos ? program : u"\"" + program + u"\"";
  for (const std::u16string& argument : arguments)
    appendArgument(commandLine, argument);
  std::wstring writable = toWide(commandLine);  // CreateProcessW may write into its command line

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                      nullptr, workingDir.empty() ? nullptr : wide(workingDir), &startup, &process))
    return false;
  // Nobody waits for the child; its handles are not needed.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void terminateThisProcess(int exitCode) {
  std::fflush(nullptr);
  // Never ExitProcess (or std::_Exit, which calls it): it runs the DLLs' detach code, and the
  // engine library's can hang while its threads are still busy.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
}

}  // namespace varnet::platform
