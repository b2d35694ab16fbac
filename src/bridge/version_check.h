#pragma once

// cb_vercheck's comparison of an offered version with the client's own.

#include <string_view>

namespace varnet {

// The leading number of `text` as the C library's wide-text-to-double reads it in the "C"
// locale: leading white space skipped, an optional sign, the longest decimal (or 0x hexadecimal,
// "inf", "nan") prefix; 0 when there is none.
double leadingNumber(std::u16string_view text);

// True when the offered version is above `clientVersion`, both read as leadingNumber reads them
// and narrowed to single precision (for "1.8": bit pattern 0x3FE66666).
bool isNewerVersion(std::u16string_view offered, std::u16string_view clientVersion);

}  // namespace varnet
