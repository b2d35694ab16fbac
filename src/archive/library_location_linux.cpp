#include "archive/library_location.h"

#include "platform/library.h"

namespace varnet::archive {

std::vector<std::u16string> sevenZipLibraryCandidates() {
  // A 7z.so shipped beside the program (or the web extension) wins over Debian's p7zip-full.
  std::vector<std::u16string> candidates;
  std::u16string folder = platform::thisModuleFolder();
  if (!folder.empty())
    candidates.push_back(folder + u"/7z.so");
  candidates.push_back(u"/usr/lib/p7zip/7z.so");
  return candidates;
}

}  // namespace varnet::archive
