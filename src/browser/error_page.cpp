#include "browser/error_page.h"

namespace varnet {

std::u16string escapeHtml(std::u16string_view text) {
  std::u16string escaped;
  escaped.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        escaped += u"&amp;";
        break;
      case u'<':
        escaped += u"&lt;";
        break;
      case u'>':
        escaped += u"&gt;";
        break;
      case u'"':
        escaped += u"&quot;";
        break;
      case u'\'':
        escaped += u"&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::u16string composeErrorPage(std::u16string_view failedUrl,
                                std::u16string_view errorText,
                                int errorCode) {
  std::string code = std::to_string(errorCode);
  return u"<html><body bgcolor=\"white\"><h2>Failed to load URL " + escapeHtml(failedUrl) +
         u" with error " + escapeHtml(errorText) + u" (" +
         std::u16string(code.begin(), code.end()) + u").</h2></body></html>";
}

}  // namespace varnet
