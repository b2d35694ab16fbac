#include "browser/decimal_text.h"

#include <climits>

namespace varnet {

int leadingDecimal(std::u16string_view text) {
  size_t i = 0;
  auto isSpace = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
  while (i < text.size() && isSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
    negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<long long>(INT_MAX) + 1)
      value = static_cast<long long>(INT_MAX) + 1;  // saturated; only the sign decides now
  }
  if (negative)
    return value > INT_MAX ? INT_MIN : -static_cast<int>(value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace varnet
