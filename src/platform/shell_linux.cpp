#include "platform/shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/processes.h"
#include "platform/text.h"

namespace varnet::platform {
namespace {

// Splits a parameter text into arguments by the rules of a Windows command line: white space
// separates, double quotes group, and backslashes escape a double quote (2n backslashes before
// one give n and a quote that groups; 2n+1 give n and a literal quote).
std::vector<std::u16string> splitParameters(const std::u16string& text) {
  std::vector<std::u16string> arguments;
  std::u16string current;
  bool inArgument = false;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if ((c == u' ' || c == u'\t') && !quoted) {
      if (inArgument)
        arguments.push_back(current);
      current.clear();
      inArgument = false;
      continue;
    }
    inArgument = true;
    if (c == u'\\') {
      size_t count = 0;
      while (i < text.size() && text[i] == u'\\') {
        ++count;
        ++i;
      }
      if (i < text.size() && text[i] == u'"') {
        current.append(count / 2, u'\\');
        if (count % 2)
          current += u'"';
        else
          quoted = !quoted;
      } else {
        current.append(count, u'\\');
        --i;
      }
    } else if (c == u'"') {
      quoted = !quoted;
    } else {
      current += c;
    }
  }
  if (inArgument)
    arguments.push_back(current);
  return arguments;
}

bool isProgram(const std::filesystem::path& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool shellOpen(const std::u16string& target,
               const std::u16string& parameters,
               const std::u16string& workingDir) {
  if (target.empty() || target.find(u'\0') != std::u16string::npos)
    return false;
  // A program (looked up from the current folder, as the Windows shell does) starts directly;
  // documents, folders and addresses go to the desktop's default handler.
  std::error_code error;
  const std::filesystem::path program = std::filesystem::absolute(toPath(target), error);
  if (!error && isProgram(program))
    return launchDetached(fromPath(program), splitParameters(parameters), workingDir);
  return launchDetached(u"xdg-open", {target}, {});
}

void powerOff() {
  int ignored = std::system("shutdown -P now");
  (void)ignored;
}

}  // namespace varnet::platform
