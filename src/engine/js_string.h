#pragma once

// Texts handed to a page inside a script it runs.

#include <string>
#include <string_view>

namespace varnet::engine {

// `text` as a single-quoted JavaScript string literal that evaluates to exactly `text`: quotes,
// backslashes, line terminators (including U+2028/U+2029), other control characters, "<" (so no
// "</script>" or "<!--" can appear) and unpaired surrogates are written as escapes. Safe to
// splice into a script or an HTML script element, e.g.
//   u"download_curtaskaddinf(" + javascriptStringLiteral(task) + u"," + ... + u",'')"
std::u16string javascriptStringLiteral(std::u16string_view text);

}  // namespace varnet::engine
