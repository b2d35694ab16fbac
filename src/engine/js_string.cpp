#include "engine/js_string.h"

namespace varnet::engine {

namespace {

void appendUnicodeEscape(std::u16string& out, char16_t unit) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out += kHex[(unit >> shift) & 0xF];
}

bool isHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::u16string javascriptStringLiteral(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 2);
  out += u'\'';
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    switch (unit) {
      case u'\'':
        out += u"\\'";
        continue;
      case u'"':
        out += u"\\\"";
        continue;
      case u'\\':
        out += u"\\\\";
        continue;
      case u'\n':
        out += u"\\n";
        continue;
      case u'\r':
        out += u"\\r";
        continue;
      case u'\t':
        out += u"\\t";
        continue;
      default:
        break;
    }
    // A surrogate pair stays as it is; a lone half would not survive the script's conversion to
    // UTF-8, so it travels as an escape.
    if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      out += unit;
      out += text[++i];
      continue;
    }
    if (unit < 0x20 || unit == 0x7F || unit == u'<' || unit == u'>' || unit == 0x2028 ||
        unit == 0x2029 || isHighSurrogate(unit) || isLowSurrogate(unit)) {
      appendUnicodeEscape(out, unit);
      continue;
    }
    out += unit;
  }
  out += u'\'';
  return out;
}

}  // namespace varnet::engine
