#pragma once

// The page shown in a frame whose load failed.

#include <string>
#include <string_view>

namespace varnet {

// "<html><body bgcolor=\"white\"><h2>Failed to load URL " + address + " with error " + text +
// " (" + code + ").</h2></body></html>", with the address and the error text HTML-escaped: both
// come from the network or the page and must show as text, never as markup.
std::u16string composeErrorPage(std::u16string_view failedUrl,
                                std::u16string_view errorText,
                                int errorCode);

// `text` with &, <, >, " and ' written as character references.
std::u16string escapeHtml(std::u16string_view text);

}  // namespace varnet
