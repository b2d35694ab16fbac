#include "platform/desktop.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace varnet::platform {
namespace {

std::string homeFolder() {
  if (const char* home = getenv("HOME"); home && *home)
    return home;
  const passwd* user = getpwuid(getuid());
  return user && user->pw_dir ? user->pw_dir : "";
}

// XDG_DESKTOP_DIR as user-dirs.dirs sets it: "$HOME/..." or an absolute path, in double quotes
// with backslash escapes.
std::optional<std::string> desktopFromUserDirs(const std::string& home) {
  const char* configHome = getenv("XDG_CONFIG_HOME");
  const std::string config =
      configHome && *configHome == '/' ? std::string(configHome) : home + "/.config";
  std::ifstream file(config + "/user-dirs.dirs");
  std::optional<std::string> found;
  std::string line;
  while (std::getline(file, line)) {
    const std::string key = "XDG_DESKTOP_DIR=\"";
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
      continue;
    std::string value;
    for (size_t i = start + key.size(); i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size())
        ++i;
      value += line[i];
    }
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
      found = home + value.substr(5);
    else if (!value.empty() && value[0] == '/')
      found = value;
  }
  return found;  // the last assignment wins, as when the shell sources the file
}

// Desktop Entry string values: backslash escapes for the characters that would end or
// change the value.
std::string escapeValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  if (!out.empty() && out[0] == ' ')
    out.replace(0, 1, "\\s");
  return out;
}

// One Exec argument: always in double quotes, with the characters that keep a special meaning
// inside them escaped, and "%" doubled so that it is not read as a field code.
std::string quoteExecArgument(const std::string& argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\')
      out += '\\';
    if (c == '%')
      out += '%';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::optional<std::u16string> desktopFolder() {
  const std::string home = homeFolder();
  if (home.empty())
    return std::nullopt;
  std::string folder = desktopFromUserDirs(home).value_or(home + "/Desktop");
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return std::nullopt;  // like the shell's answer for a desktop folder that does not exist
  return fromUtf8(folder);
}

std::u16string shortcutFilePath(const std::u16string& desktop, const std::u16string& name) {
  return desktop + u"/" + name + u".desktop";
}

bool writeShortcut(const std::u16string& shortcutFile,
                   const std::u16string& target,
                   const std::u16string& workingDir) {
  const std::filesystem::path file = toPath(shortcutFile);
  std::ostringstream entry;
  entry << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << escapeValue(file.stem().string()) << "\n"
        << "Exec=" << escapeValue(quoteExecArgument(toUtf8(target))) << "\n"
        << "Path=" << escapeValue(toUtf8(workingDir)) << "\n";
  const std::string text = entry.str();

  // Written beside the old launcher and renamed over it, so that an existing one is replaced
  // whole (a link of that name is replaced, never written through).
  std::string temporary = file.native() + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0)
    return false;
  bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = fchmod(fd, 0755) == 0 && written;  // desktops start only executable launchers
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void initialiseComOnThisThread() {}

}  // namespace varnet::platform
