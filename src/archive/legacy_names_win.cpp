#include "archive/legacy_names.h"

namespace varnet::archive {

std::u16string decodeLegacyZipName(const std::u16string& delivered) {
  return delivered;  // 7z.dll has already decoded it with the system's OEM code page
}

}  // namespace varnet::archive
