#include "engine/webkit/user_messages.h"

#include "platform/text.h"

namespace varnet::engine::webkit {

GVariant* encodeBridgeMessage(const SenderFrame& frame, const ProcessMessage& message) {
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE("av"));
  for (const auto& value : message.GetArgumentList()) {
    if (const auto* number = std::get_if<std::int32_t>(&value))
      g_variant_builder_add(&arguments, "v", g_variant_new_int32(*number));
    else
      g_variant_builder_add(&arguments, "v",
                            g_variant_new_string(toUtf8(std::get<std::u16string>(value)).c_str()));
  }
  return g_variant_new("(tbs@av)", static_cast<guint64>(frame.id), frame.isMain,
                       toUtf8(frame.url).c_str(), g_variant_builder_end(&arguments));
}

std::optional<BridgeMessage> decodeBridgeMessage(const char* name, GVariant* parameters) {
  if (!name || !parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(kBridgeMessageType)))
    return std::nullopt;
  guint64 id = 0;
  gboolean isMain = FALSE;
  const char* url = nullptr;
  GVariant* arguments = nullptr;
  g_variant_get(parameters, "(tb&s@av)", &id, &isMain, &url, &arguments);

  BridgeMessage decoded;
  decoded.frame = {id, isMain != FALSE, fromUtf8(url)};
  std::vector<ProcessMessage::Value> values;
  GVariantIter iter;
  g_variant_iter_init(&iter, arguments);
  while (GVariant* boxed = g_variant_iter_next_value(&iter)) {
    GVariant* value = g_variant_get_variant(boxed);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
      values.emplace_back(g_variant_get_int32(value));
    else if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
      values.emplace_back(fromUtf8(g_variant_get_string(value, nullptr)));
    g_variant_unref(value);
    g_variant_unref(boxed);
  }
  g_variant_unref(arguments);
  decoded.message = ProcessMessage(name, std::move(values));
  return decoded;
}

}  // namespace varnet::engine::webkit
