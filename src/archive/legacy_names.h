#pragma once

// Zip item names stored without the UTF-8 flag are bytes in whatever code page the packer used.
// The binding asks the zip handler to read every such name as UTF-8 (its "cp" property), so that
// on both ports 7-Zip delivers valid UTF-8 decoded and each other byte b as U+EF00 + b: the bytes
// can be recovered and decoded the same way everywhere.

#include <optional>
#include <string>
#include <string_view>

namespace varnet::archive {

// The name of a zip item without the UTF-8 flag, as it should be written to disk: the bytes as
// UTF-8 when they are valid UTF-8 (as from macOS and Linux packers), else as GB18030 (the
// portal's Chinese Windows packers), else the name as 7-Zip delivered it.
std::u16string decodeLegacyZipName(const std::u16string& delivered);

// GB18030 bytes as UTF-16, or nothing when they are not valid GB18030. Where the OS lacks the
// GB18030 code page (Wine) its two-byte subset GBK is used.
std::optional<std::u16string> fromGb18030(std::string_view bytes);

}  // namespace varnet::archive
