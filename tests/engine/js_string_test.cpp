#include "engine/js_string.h"

#include <gtest/gtest.h>
#include <jsc/jsc.h>

#include "platform/text.h"

namespace varnet::engine {
namespace {

// Evaluates the literal with the real JavaScriptCore and returns the string it yields as
// UTF-16 code units (read through JSON, so lone surrogates come back as they are).
std::u16string evaluate(const std::u16string& literal) {
  JSCContext* context = jsc_context_new();
  std::string code =
      "(function(s){var r=[];for(var i=0;i<s.length;i++)r.push(s.charCodeAt(i));"
      "return r.join(',');})(" +
      toUtf8(literal) + ")";
  JSCValue* value = jsc_context_evaluate(context, code.c_str(), -1);
  std::u16string units;
  if (JSCException* e = jsc_context_get_exception(context)) {
    ADD_FAILURE() << "script error: " << jsc_exception_get_message(e);
  } else {
    char* text = jsc_value_to_string(value);
    std::string list = text;
    g_free(text);
    std::size_t start = 0;
    while (start < list.size()) {
      std::size_t comma = list.find(',', start);
      units += static_cast<char16_t>(std::stoi(list.substr(start, comma - start)));
      start = comma == std::string::npos ? list.size() : comma + 1;
    }
  }
  g_object_unref(value);
  g_object_unref(context);
  return units;
}

TEST(JavascriptStringLiteral, HostileTextsArriveUnchangedAsData) {
  const std::u16string texts[] = {
      u"",
      u"plain",
      u"it's",
      u"C:\\Games\\x",
      u"line\nbreak\r\ttab",
      u"sep\u2028par\u2029",
      u"</script><script>alert(1)</script>",
      u"'); window.hacked=1; ('",
      u"\"double\" <!-- x -->",
      u"中文 \U0001F600 pair",
      std::u16string(u"nul\0x", 5),
      std::u16string(1, char16_t(0xD800)) + u"lone" + std::u16string(1, char16_t(0xDC01)),
  };
  for (const auto& text : texts) {
    auto literal = javascriptStringLiteral(text);
    EXPECT_EQ(evaluate(literal), text) << toUtf8(literal);
    EXPECT_EQ(literal.find(u"</"), std::u16string::npos);
    EXPECT_EQ(literal.find(u'\n'), std::u16string::npos);
    EXPECT_EQ(literal.find(u'\u2028'), std::u16string::npos);
  }
}

TEST(JavascriptStringLiteral, IsOneSingleQuotedLiteral) {
  EXPECT_EQ(javascriptStringLiteral(u"ab"), u"'ab'");
  EXPECT_EQ(javascriptStringLiteral(u"a'b"), u"'a\\'b'");
}

}  // namespace
}  // namespace varnet::engine
