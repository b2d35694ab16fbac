#pragma once

// Zip item names stored without the UTF-8 flag are bytes in whatever code page the packer used.
// 7z.dll decodes them with Windows' OEM code page; 7z.so with the C locale passes each byte on
// as one character, which the Linux port decodes itself.

#include <string>

namespace varnet::archive {

// The name of a zip item without the UTF-8 flag, as it should be written to disk: on Linux the
// bytes as UTF-8 when they are valid UTF-8 (as from macOS and Linux packers), else as GB18030
// (the portal's Chinese Windows packers), else the name as 7-Zip delivered it. Unchanged on
// Windows.
std::u16string decodeLegacyZipName(const std::u16string& delivered);

}  // namespace varnet::archive
