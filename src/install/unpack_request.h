#pragma once

#include <cstdint>
#include <string>

namespace varnet {

// The seven arguments of cb_unzip, in the page's order.
struct UnpackRequest {
  std::u16string setupPath;     // install root; the archive's base name is appended directly
  std::u16string packageDir;    // the download folder that holds the archive
  std::u16string shortcutName;  // desktop shortcut name, without extension
  std::u16string extraArg;      // kept with the job, read by nobody
  std::u16string exePath;       // the game's program, relative to the install folder
  int32_t setupMode = 0;        // 0 or 1: afterwards delete packageDir and make the shortcut
  std::u16string password;      // empty: the archive is opened without a password
};

}  // namespace varnet
