#pragma once

// Helpers of the Win32 tests: private temp folders, folder links made the way the running system
// allows, and the record that the probe child program leaves behind.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace varnet::test {

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::u16string text() const;  // the path as the seam takes it

  // Makes `link` (inside this folder) a symbolic link to the folder `target`, removed first at
  // the end. On Windows through CreateSymbolicLinkW; Wine 8 only pretends to create those (it
  // answers TRUE and writes nothing) and refuses FSCTL_SET_REPARSE_POINT, but lists a Unix
  // symbolic link as a folder with the reparse-point attribute, so under Wine the link is made
  // by the host's ln. True when the link exists.
  bool makeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target);

 private:
  std::filesystem::path path_;
  std::vector<std::filesystem::path> links_;
};

// Removes a folder link without following it.
void removeFolderLink(const std::filesystem::path& link);

// Writes a file, making its folders first.
void writeFile(const std::filesystem::path& file, const std::string& content = "x");

// A file the build names by its host path, as this program sees it: a cross build runs under
// Wine, which sees the host's root as drive Z:.
std::filesystem::path hostPath(const std::string& built);

// The probe child program (httpcurl.exe built from probe_child_win.cpp).
std::filesystem::path probeProgram();

// Points the user's desktop folder at a folder of its own for the life of the object (the shell
// reads it from the user's "User Shell Folders" settings) and puts the old setting back at the
// end. Wine links its desktop folder to the real home folder, which no test may write to. The
// setting belongs to the user, so test programs running side by side take turns (a named mutex).
class ScopedDesktopFolder {
 public:
  ScopedDesktopFolder();
  ~ScopedDesktopFolder();
  ScopedDesktopFolder(const ScopedDesktopFolder&) = delete;
  ScopedDesktopFolder& operator=(const ScopedDesktopFolder&) = delete;

  // True when the shell now answers with the temp folder: nothing may be written otherwise.
  bool active() const { return active_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  HANDLE turn_ = nullptr;
  TempFolder folder_;
  std::filesystem::path path_;
  HKEY key_ = nullptr;
  bool hadOld_ = false;
  bool active_ = false;
  DWORD oldType_ = 0;
  std::vector<BYTE> old_;
};

// What the probe program found about itself.
struct ProbeRecord {
  std::u16string currentDirectory;
  unsigned long startupFlags = 0;
  unsigned showWindow = 0;
  std::vector<std::u16string> arguments;  // argv, the program's own as the first
};

// Waits until the probe has written its record into `folder`, then reads it.
bool waitForProbeRecord(const std::filesystem::path& folder,
                        ProbeRecord& record,
                        std::chrono::seconds timeout = std::chrono::seconds(20));

}  // namespace varnet::test
