#include "engine/webkit/web_extension.h"

#include <JavaScriptCore/JavaScript.h>
#include <jsc/jsc.h>

#include <map>
#include <unordered_map>

#include "engine/command_line.h"
#include "engine/webkit/folder_dialog_webext.h"
#include "engine/webkit/user_messages.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

// Process-wide state of the web process; everything runs on its main thread.
struct ExtensionState {
  WebKitWebExtension* extension = nullptr;
  std::shared_ptr<App> app;
  // Every frame that had a script context, by id, so that the browser process can address it.
  std::map<guint64, std::weak_ptr<class RenderFrame>> frames;
};

ExtensionState& state() {
  static ExtensionState s;
  return s;
}

// A frame of a page in this web process. Holds the WebKitFrame weakly: after the frame is gone
// its operations do nothing.
class RenderFrame : public Frame {
 public:
  RenderFrame(WebKitFrame* frame, guint64 pageId)
      : frame_(frame), id_(webkit_frame_get_id(frame)), pageId_(pageId) {
    g_object_add_weak_pointer(G_OBJECT(frame_), reinterpret_cast<gpointer*>(&frame_));
  }
  ~RenderFrame() override {
    if (frame_)
      g_object_remove_weak_pointer(G_OBJECT(frame_), reinterpret_cast<gpointer*>(&frame_));
  }

  bool IsMain() const override { return frame_ && webkit_frame_is_main_frame(frame_); }
  bool IsValid() const override { return frame_ != nullptr; }
  std::u16string GetURL() const override {
    const char* uri = frame_ ? webkit_frame_get_uri(frame_) : nullptr;
    return uri ? fromUtf8(uri) : std::u16string();
  }

  void ExecuteJavaScript(const std::u16string& code) override {
    if (!frame_)
      return;
    JSCContext* context =
        webkit_frame_get_js_context_for_script_world(frame_, webkit_script_world_get_default());
    std::string utf8 = toUtf8(code);
    if (JSCValue* result = jsc_context_evaluate(context, utf8.c_str(), utf8.size()))
      g_object_unref(result);
    jsc_context_clear_exception(context);
    g_object_unref(context);
  }

  void SendProcessMessage(const ProcessMessage& message) override {
    WebKitWebPage* page = webkit_web_extension_get_page(state().extension, pageId_);
    if (!frame_ || !page)
      return;
    GVariant* parameters = encodeBridgeMessage({id_, IsMain(), GetURL()}, message);
    webkit_web_page_send_message_to_view(
        page, webkit_user_message_new(message.GetName().c_str(), parameters), nullptr, nullptr,
        nullptr);
  }

  guint64 pageId() const { return pageId_; }

 private:
  WebKitFrame* frame_;
  guint64 id_;
  guint64 pageId_;
};

// One bridge function's data: its handler, its name, and the frame and page it lives in.
struct FunctionData {
  std::shared_ptr<ScriptHandler> handler;
  std::u16string name;
  guint64 frameId;
  guint64 pageId;
};

// Bridge functions by their script object. They are plain JavaScriptCore C-API functions: a
// call reaches the handler directly, without the GObject wrapping of the GLib API, which costs
// several microseconds per call. Entries of a frame go when its window object is cleared.
std::unordered_map<JSObjectRef, FunctionData>& bridgeFunctions() {
  static std::unordered_map<JSObjectRef, FunctionData> functions;
  return functions;
}

void forgetFunctionsOf(guint64 frameId) {
  auto& functions = bridgeFunctions();
  for (auto it = functions.begin(); it != functions.end();)
    it = it->second.frameId == frameId ? functions.erase(it) : std::next(it);
}

std::u16string textOf(JSStringRef string) {
  return std::u16string(reinterpret_cast<const char16_t*>(JSStringGetCharactersPtr(string)),
                        JSStringGetLength(string));
}

ScriptValue readArgument(JSContextRef context, JSValueRef value) {
  switch (JSValueGetType(context, value)) {
    case kJSTypeNumber:
      return ScriptValue::Number(JSValueToNumber(context, value, nullptr));
    case kJSTypeString: {
      JSStringRef string = JSValueToStringCopy(context, value, nullptr);
      ScriptValue read = ScriptValue::String(string ? textOf(string) : std::u16string());
      if (string)
        JSStringRelease(string);
      return read;
    }
    case kJSTypeBoolean:
      return ScriptValue::Bool(JSValueToBoolean(context, value));
    case kJSTypeNull:
      return ScriptValue::Null();
    case kJSTypeUndefined:
      return ScriptValue::Undefined();
    default:
      return ScriptValue::Object();
  }
}

// The callback of every bridge function: the call is served before it returns, and the result
// is the function's return value.
JSValueRef callBridgeFunction(JSContextRef context,
                              JSObjectRef function,
                              JSObjectRef /*thisObject*/,
                              size_t argumentCount,
                              const JSValueRef jsArguments[],
                              JSValueRef* /*exception*/) {
  auto found = bridgeFunctions().find(function);
  if (found == bridgeFunctions().end())
    return JSValueMakeUndefined(context);
  // Copied: the handler may install functions anew (never here, but the map may change).
  FunctionData data = found->second;
  ScriptArguments arguments;
  arguments.reserve(argumentCount);
  for (size_t i = 0; i < argumentCount; ++i)
    arguments.push_back(readArgument(context, jsArguments[i]));

  ScriptResult result;
  guint64 outerPage = callingPage();
  setCallingPage(data.pageId);
  data.handler->Execute(data.name, arguments, result);
  setCallingPage(outerPage);

  if (const auto* number = std::get_if<std::int32_t>(&result))
    return JSValueMakeNumber(context, *number);
  if (const auto* text = std::get_if<std::u16string>(&result)) {
    JSStringRef string =
        JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(text->data()), text->size());
    JSValueRef value = JSValueMakeString(context, string);
    JSStringRelease(string);
    return value;
  }
  return JSValueMakeUndefined(context);
}

class JscScriptContext : public ScriptContext {
 public:
  JscScriptContext(JSGlobalContextRef context, WebKitWebPage* page, guint64 frameId)
      : context_(context), page_(page), frameId_(frameId), pageId_(webkit_web_page_get_id(page)) {}

  std::u16string GetTopFrameURL() const override {
    WebKitFrame* top = webkit_web_page_get_main_frame(page_);
    const char* uri = top ? webkit_frame_get_uri(top) : nullptr;
    return uri ? fromUtf8(uri) : std::u16string();
  }

  void SetGlobalFunction(const std::u16string& name,
                         std::shared_ptr<ScriptHandler> handler) override {
    JSStringRef jsName =
        JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(name.data()), name.size());
    JSObjectRef function = JSObjectMakeFunctionWithCallback(context_, jsName, callBridgeFunction);
    bridgeFunctions()[function] = FunctionData{std::move(handler), name, frameId_, pageId_};
    JSObjectSetProperty(context_, JSContextGetGlobalObject(context_), jsName, function,
                        kJSPropertyAttributeNone, nullptr);
    JSStringRelease(jsName);
  }

 private:
  JSGlobalContextRef context_;
  WebKitWebPage* page_;
  guint64 frameId_;
  guint64 pageId_;
};

std::shared_ptr<RenderFrame> renderFrameFor(WebKitFrame* frame, WebKitWebPage* page) {
  guint64 id = webkit_frame_get_id(frame);
  auto& known = state().frames[id];
  if (auto existing = known.lock())
    return existing;
  auto created = std::make_shared<RenderFrame>(frame, webkit_web_page_get_id(page));
  known = created;
  return created;
}

void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame) {
  RenderProcessHandler* handler = state().app ? state().app->GetRenderProcessHandler() : nullptr;
  if (!handler)
    return;
  // Forget frames that are gone, then hand the new context over.
  for (auto it = state().frames.begin(); it != state().frames.end();)
    it = it->second.expired() ? state().frames.erase(it) : std::next(it);
  auto renderFrame = renderFrameFor(frame, page);
  guint64 frameId = webkit_frame_get_id(frame);
  forgetFunctionsOf(frameId);  // the frame's previous document is gone
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  JSGlobalContextRef context = webkit_frame_get_javascript_context_for_script_world(frame, world);
  G_GNUC_END_IGNORE_DEPRECATIONS
  JscScriptContext scriptContext(context, page, frameId);
  handler->OnContextCreated(renderFrame, scriptContext);
}

// Script the browser process wants run in one of this page's frames.
gboolean onPageMessage(WebKitWebPage* /*page*/, WebKitUserMessage* message, gpointer) {
  if (g_strcmp0(webkit_user_message_get_name(message), kRunScriptMessage) != 0)
    return FALSE;
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ts)")))
    return TRUE;
  guint64 frameId = 0;
  const char* code = nullptr;
  g_variant_get(parameters, "(t&s)", &frameId, &code);
  auto found = state().frames.find(frameId);
  if (found != state().frames.end()) {
    if (auto frame = found->second.lock())
      frame->ExecuteJavaScript(fromUtf8(code));
  }
  return TRUE;
}

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  g_signal_connect(page, "user-message-received", G_CALLBACK(onPageMessage), nullptr);
}

}  // namespace

void initializeWebExtension(WebKitWebExtension* extension,
                            const GVariant* userData,
                            const AppFactory& createApp) {
  const char* baseUrl = "";
  const char* folderService = "";
  auto* data = const_cast<GVariant*>(userData);
  if (data && g_variant_is_of_type(data, G_VARIANT_TYPE(kExtensionDataType)))
    g_variant_get(data, "(&s&s)", &baseUrl, &folderService);

  auto& s = state();
  s.extension = extension;
  setFolderServicePath(folderService);
  s.app = createApp(fromUtf8(baseUrl));
  // The web process's own switches are WebKit's business; the app still sees its line, as in
  // every process.
  s.app->OnBeforeCommandLineProcessing("renderer", CommandLine::Global());

  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(onWindowObjectCleared), nullptr);
  g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
}

}  // namespace varnet::engine::webkit
