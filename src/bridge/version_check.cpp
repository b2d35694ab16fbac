#include "bridge/version_check.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace varnet {

namespace {

bool isSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Narrowing a double beyond float's range is undefined in C++; saturate like IEEE does.
float toSingle(double number) {
  return number > std::numeric_limits<float>::max()    ? INFINITY
         : number < -std::numeric_limits<float>::max() ? -INFINITY
                                                       : static_cast<float>(number);
}

}  // namespace

double leadingNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i]))
    ++i;
  // The number can only be ASCII; narrow the candidate prefix for from_chars, which, unlike
  // wcstod/strtod, never depends on the process's locale.
  std::string ascii;
  for (; i < text.size() && text[i] < 0x80; ++i)
    ascii += static_cast<char>(text[i]);

  const char* begin = ascii.data();
  const char* end = begin + ascii.size();
  bool negative = false;
  if (begin != end && (*begin == '+' || *begin == '-')) {
    negative = *begin == '-';
    ++begin;
  }
  auto format = std::chars_format::general;
  const char* digits = begin;
  if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(begin[2]))) {
    format = std::chars_format::hex;
    digits = begin + 2;
  }
  double value = 0;
  auto [stop, error] = std::from_chars(digits, end, value, format);
  if (error == std::errc::invalid_argument)
    return 0.0;
  if (error == std::errc::result_out_of_range) {
    // Too large or too small for a double: wcstod gives HUGE_VAL or 0. A negative exponent, or
    // without one a zero integer part ("0.000...1"), means too small.
    std::string_view number(digits, static_cast<std::size_t>(stop - digits));
    auto e = number.find_first_of(format == std::chars_format::hex ? "pP" : "eE");
    bool tiny =
        e != std::string_view::npos
            ? number.substr(e + 1, 1) == "-"
            : number.substr(0, number.find('.')).find_first_not_of('0') == std::string_view::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

bool isNewerVersion(std::u16string_view offered, std::u16string_view clientVersion) {
  double number = leadingNumber(offered);
  double own = leadingNumber(clientVersion);
  if (std::isnan(number) || std::isnan(own))
    return false;
  return toSingle(number) > toSingle(own);
}

}  // namespace varnet
