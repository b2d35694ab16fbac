#pragma once

// Conversions between the engine's UTF-16 texts, UTF-8 and file-system paths. Every such
// conversion in the client goes through here.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

// UTF-8 to UTF-16; each invalid sequence becomes U+FFFD.
std::u16string fromUtf8(std::string_view text);

// UTF-8 to UTF-16 with the standard converter; throws std::range_error("bad conversion") on
// bytes that are not valid UTF-8, for callers that report the converter's error.
std::u16string fromUtf8OrThrow(std::string_view text);

// UTF-8 to UTF-16, or nothing when the bytes are not valid UTF-8.
std::optional<std::u16string> fromUtf8Strict(std::string_view text);

// Paths travel through the client as UTF-16 text (they come from the page and are joined as text);
// they become std::filesystem paths only where the OS is called.
std::filesystem::path toPath(std::u16string_view text);
std::u16string fromPath(const std::filesystem::path& path);

}  // namespace varnet
