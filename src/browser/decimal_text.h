#pragma once

// Numbers that the page hands over as text.

#include <string_view>

namespace varnet {

// The leading decimal integer of `text` as the C runtime's _wtoi reads it: white space first,
// an optional sign, then digits up to the first non-digit. No digits read as 0; values beyond
// the int range give its limit.
int leadingDecimal(std::u16string_view text);

}  // namespace varnet
