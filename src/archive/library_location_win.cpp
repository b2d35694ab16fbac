#include "archive/library_location.h"

namespace varnet::archive {

std::vector<std::u16string> sevenZipLibraryCandidates() {
  // The system's normal search order, which starts beside the program.
  return {u"7z.dll"};
}

}  // namespace varnet::archive
