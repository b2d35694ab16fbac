#pragma once

// The client's fixed paths (engine cache, download folder, update package, companion) lie under
// the process's current folder, never under the program's own folder. They are built here, with
// the OS's separator.

#include <string>
#include <string_view>

namespace varnet::platform {

// The process's current folder; empty when it cannot be read.
std::u16string currentFolder();

// `folder` followed by `relative`, whose '/' become the OS's separator, with one separator
// between them: inFolder(u"C:\\Client", u"cache/") is "C:\Client\cache\" on Windows. Empty when
// `folder` is.
std::u16string inFolder(const std::u16string& folder, std::u16string_view relative);

// inFolder(currentFolder(), relative).
std::u16string inCurrentFolder(std::u16string_view relative);

}  // namespace varnet::platform
