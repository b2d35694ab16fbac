#include "engine/webkit/user_messages.h"

#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

GVariant* textVariant(const std::u16string& text) {
  return g_variant_new_fixed_array(G_VARIANT_TYPE_UINT16, text.data(), text.size(),
                                   sizeof(char16_t));
}

std::u16string textOf(GVariant* value) {
  gsize count = 0;
  const auto* units =
      static_cast<const char16_t*>(g_variant_get_fixed_array(value, &count, sizeof(char16_t)));
  return units ? std::u16string(units, count) : std::u16string();
}

}  // namespace

GVariant* encodeBridgeMessage(const SenderFrame& frame, const ProcessMessage& message) {
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE("av"));
  for (const auto& value : message.GetArgumentList()) {
    if (const auto* number = std::get_if<std::int32_t>(&value))
      g_variant_builder_add(&arguments, "v", g_variant_new_int32(*number));
    else
      g_variant_builder_add(&arguments, "v", textVariant(std::get<std::u16string>(value)));
  }
  return g_variant_new("(tbst@av)", static_cast<guint64>(frame.id), frame.isMain,
                       toUtf8(frame.url).c_str(), static_cast<guint64>(frame.document),
                       g_variant_builder_end(&arguments));
}

std::optional<BridgeMessage> decodeBridgeMessage(const char* name, GVariant* parameters) {
  if (!name || !parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(kBridgeMessageType)))
    return std::nullopt;
  guint64 id = 0;
  gboolean isMain = FALSE;
  const char* url = nullptr;
  guint64 document = 0;
  GVariant* arguments = nullptr;
  g_variant_get(parameters, "(tb&st@av)", &id, &isMain, &url, &document, &arguments);

  BridgeMessage decoded;
  decoded.frame = {id, isMain != FALSE, fromUtf8(url), document};
  std::vector<ProcessMessage::Value> values;
  GVariantIter iter;
  g_variant_iter_init(&iter, arguments);
  while (GVariant* boxed = g_variant_iter_next_value(&iter)) {
    GVariant* value = g_variant_get_variant(boxed);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
      values.emplace_back(g_variant_get_int32(value));
    else if (g_variant_is_of_type(value, G_VARIANT_TYPE("aq")))
      values.emplace_back(textOf(value));
    g_variant_unref(value);
    g_variant_unref(boxed);
  }
  g_variant_unref(arguments);
  decoded.message = ProcessMessage(name, std::move(values));
  return decoded;
}

GVariant* encodeRunScript(const SenderFrame& frame, const std::u16string& code) {
  return g_variant_new("(tt@aq)", static_cast<guint64>(frame.id),
                       static_cast<guint64>(frame.document), textVariant(code));
}

std::optional<RunScript> decodeRunScript(GVariant* parameters) {
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(kRunScriptType)))
    return std::nullopt;
  RunScript decoded;
  guint64 frameId = 0;
  guint64 document = 0;
  GVariant* code = nullptr;
  g_variant_get(parameters, "(tt@aq)", &frameId, &document, &code);
  decoded.frameId = frameId;
  decoded.document = document;
  decoded.code = textOf(code);
  g_variant_unref(code);
  return decoded;
}

}  // namespace varnet::engine::webkit
