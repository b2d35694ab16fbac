#include "engine/script_value.h"

#include <gtest/gtest.h>

#include <cmath>

namespace varnet::engine {
namespace {

TEST(ScriptValue, IntReadingIsTheNumberOnlyForIntegerValues) {
  EXPECT_EQ(ScriptValue::Number(3).GetIntValue(), 3);
  EXPECT_EQ(ScriptValue::Number(-7).GetIntValue(), -7);
  EXPECT_EQ(ScriptValue::Number(2.5).GetIntValue(), 0);
  EXPECT_EQ(ScriptValue::Number(NAN).GetIntValue(), 0);
  EXPECT_EQ(ScriptValue::Number(-0.0).GetType(), ScriptValue::Type::Double);
  // Unsigned 32-bit values wrap like CEF's shared int/uint member.
  EXPECT_EQ(ScriptValue::Number(4294967295.0).GetType(), ScriptValue::Type::UInt);
  EXPECT_EQ(ScriptValue::Number(4294967295.0).GetIntValue(), -1);
  EXPECT_EQ(ScriptValue::Number(4294967296.0).GetIntValue(), 0);
  EXPECT_EQ(ScriptValue::String(u"3").GetIntValue(), 0);
  EXPECT_EQ(ScriptValue::Bool(true).GetIntValue(), 0);
  EXPECT_EQ(ScriptValue::Undefined().GetIntValue(), 0);
  EXPECT_EQ(ScriptValue::Null().GetIntValue(), 0);
}

TEST(ScriptValue, StringReadingIsTheTextOnlyForStrings) {
  EXPECT_EQ(ScriptValue::String(u"a'b").GetStringValue(), u"a'b");
  EXPECT_EQ(ScriptValue::Number(5).GetStringValue(), u"");
  EXPECT_EQ(ScriptValue::Undefined().GetStringValue(), u"");
  EXPECT_EQ(ScriptValue::Object().GetStringValue(), u"");
}

}  // namespace
}  // namespace varnet::engine
