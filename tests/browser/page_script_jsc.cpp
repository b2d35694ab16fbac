#include <jsc/jsc.h>

#include "page_script.h"
#include "platform/text.h"

namespace varnet::testing {

std::string runInPage(const std::u16string& script) {
  JSCContext* context = jsc_context_new();
  JSCValue* setup = jsc_context_evaluate(
      context,
      "var received = null, hijacked = false;"
      "function download_curtaskaddinf(a, b, c) { received = [a, b, c].join('|'); }",
      -1);
  g_object_unref(setup);
  const std::string code = toUtf8(script);
  JSCValue* result = jsc_context_evaluate(context, code.c_str(), code.size());
  g_object_unref(result);
  std::string outcome;
  if (JSCException* exception = jsc_context_get_exception(context)) {
    outcome = std::string("error: ") + jsc_exception_get_message(exception);
  } else {
    JSCValue* hijacked = jsc_context_evaluate(context, "hijacked", -1);
    JSCValue* received = jsc_context_evaluate(context, "received", -1);
    char* text = jsc_value_to_string(received);
    outcome = jsc_value_to_boolean(hijacked) ? "hijacked" : text;
    g_free(text);
    g_object_unref(hijacked);
    g_object_unref(received);
  }
  g_object_unref(context);
  return outcome;
}

}  // namespace varnet::testing
