#include "engine/webkit/web_extension.h"

#include <JavaScriptCore/JavaScript.h>
#include <jsc/jsc.h>

#include <deque>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "engine/command_line.h"
#include "engine/trust.h"
#include "engine/webkit/folder_dialog_webext.h"
#include "engine/webkit/user_messages.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

class DocumentFrame;

// A live frame that had a script context, and its documents, newest last.
struct FrameRecord {
  WebKitFrame* frame = nullptr;
  std::deque<guint64> documents;
};

// Process-wide state of the web process; everything runs on its main thread.
struct ExtensionState {
  WebKitWebExtension* extension = nullptr;
  std::shared_ptr<App> app;
  guint64 lastDocument = 0;
  // Every document handed to the app with a script context, by its token, so that an answer
  // from the browser process finds the document that asked.
  std::unordered_map<guint64, std::weak_ptr<DocumentFrame>> documents;
  std::map<guint64, FrameRecord> frames;  // by frame id, until the WebKitFrame is finalised
  std::optional<TrustedOrigins> trust;
  // Top documents in which a document of an untrusted origin appeared: with web security off it
  // can script every frame of its page, so no bridge function of that page works any more. Each
  // is retained, so that its address is never taken by another document.
  std::unordered_set<JSGlobalContextRef> foreignPages;
};

ExtensionState& state() {
  static ExtensionState s;
  return s;
}

// A frame's documents kept with their records after the frame moved on: enough for those the
// page cache may bring back with Back.
constexpr std::size_t kKeptDocuments = 8;

JSGlobalContextRef currentGlobal(WebKitFrame* frame) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  return webkit_frame_get_javascript_context_for_script_world(frame,
                                                              webkit_script_world_get_default());
  G_GNUC_END_IGNORE_DEPRECATIONS
}

// A window still in a page: its top is a window. A removed frame's window has none, and the
// property cannot be redefined by script (it is unforgeable).
bool isAttached(JSGlobalContextRef global) {
  JSStringRef top = JSStringCreateWithUTF8CString("top");
  JSValueRef value = JSObjectGetProperty(global, JSContextGetGlobalObject(global), top, nullptr);
  JSStringRelease(top);
  return value && JSValueIsObject(global, value);
}

WebKitFrame* mainFrameOf(WebKitWebPage* page) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  return page ? webkit_web_page_get_main_frame(page) : nullptr;
  G_GNUC_END_IGNORE_DEPRECATIONS
}

JSGlobalContextRef topGlobal(WebKitWebPage* page) {
  WebKitFrame* top = mainFrameOf(page);
  return top ? currentGlobal(top) : nullptr;
}

// A document in `page` at `address`: one from an untrusted origin marks its page's top document.
void noteDocument(WebKitWebPage* page, const char* address) {
  std::u16string text = address ? fromUtf8(address) : std::u16string();
  if (!state().trust || isLocalDocument(text) || state().trust->isTrusted(text))
    return;
  JSGlobalContextRef top = topGlobal(page);
  if (top && state().foreignPages.insert(top).second)
    JSGlobalContextRetain(top);
}

// The frame with id `frameId` while it lives, else null.
WebKitFrame* liveFrame(guint64 frameId) {
  auto found = state().frames.find(frameId);
  return found == state().frames.end() ? nullptr : found->second.frame;
}

// One document of a frame, as the app was handed it with its script context. Valid while the
// frame lives, is attached and shows this document (again, after a restore from the page cache),
// in a page where no foreign document appeared.
class DocumentFrame : public Frame {
 public:
  DocumentFrame(WebKitFrame* frame, guint64 pageId, JSGlobalContextRef global, guint64 document)
      : id_(webkit_frame_get_id(frame)), pageId_(pageId), global_(global), document_(document) {}

  bool IsMain() const override {
    WebKitFrame* frame = liveFrame(id_);
    return frame && webkit_frame_is_main_frame(frame);
  }
  std::u16string GetURL() const override {
    WebKitFrame* frame = liveFrame(id_);
    const char* uri = frame ? webkit_frame_get_uri(frame) : nullptr;
    return uri ? fromUtf8(uri) : std::u16string();
  }
  bool IsValid() const override {
    WebKitFrame* frame = liveFrame(id_);
    if (!frame || currentGlobal(frame) != global_ || !isAttached(global_))
      return false;
    WebKitWebPage* page = webkit_web_extension_get_page(state().extension, pageId_);
    return page && state().foreignPages.count(topGlobal(page)) == 0;
  }

  void ExecuteJavaScript(const std::u16string& code) override {
    if (!IsValid())
      return;
    JSStringRef script =
        JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(code.data()), code.size());
    JSEvaluateScript(global_, script, nullptr, nullptr, 0, nullptr);
    JSStringRelease(script);
  }

  void SendProcessMessage(const ProcessMessage& message) override {
    WebKitWebPage* page = webkit_web_extension_get_page(state().extension, pageId_);
    if (!page || !IsValid())
      return;
    GVariant* parameters = encodeBridgeMessage({id_, IsMain(), GetURL(), document_}, message);
    webkit_web_page_send_message_to_view(
        page, webkit_user_message_new(message.GetName().c_str(), parameters), nullptr, nullptr,
        nullptr);
  }

 private:
  guint64 id_;
  guint64 pageId_;
  JSGlobalContextRef global_;  // compared only, never used once the document is gone
  guint64 document_;
};

// One bridge function's record: its handler, its name, where it lives.
struct FunctionData {
  std::shared_ptr<ScriptHandler> handler;
  std::u16string name;
  guint64 frameId;
  guint64 pageId;
  guint64 document;
};

// Bridge functions by their script object. They are plain JavaScriptCore C-API functions: a
// call reaches the handler directly, without the GObject wrapping of the GLib API, which costs
// several microseconds per call. A frame's records go with the frame, or once the frame has had
// kKeptDocuments newer documents.
std::unordered_map<JSObjectRef, FunctionData>& bridgeFunctions() {
  static std::unordered_map<JSObjectRef, FunctionData> functions;
  return functions;
}

template <typename Predicate>
void forgetFunctions(Predicate gone) {
  auto& functions = bridgeFunctions();
  for (auto it = functions.begin(); it != functions.end();)
    it = gone(it->second) ? functions.erase(it) : std::next(it);
  for (auto it = state().documents.begin(); it != state().documents.end();)
    it = it->second.expired() ? state().documents.erase(it) : std::next(it);
}

// The WebKitFrame of a frame with records is finalised: the frame is gone for good.
void onFrameGone(gpointer frameId, GObject*) {
  guint64 id = GPOINTER_TO_SIZE(frameId);
  state().frames.erase(id);
  forgetFunctions([id](const FunctionData& f) { return f.frameId == id; });
}

// Records the frame's new document; drops the records of its documents beyond the kept ones.
void rememberDocument(WebKitFrame* frame, guint64 document) {
  guint64 id = webkit_frame_get_id(frame);
  auto [entry, added] = state().frames.try_emplace(id);
  if (added) {
    entry->second.frame = frame;
    g_object_weak_ref(G_OBJECT(frame), onFrameGone, GSIZE_TO_POINTER(id));
  }
  auto& documents = entry->second.documents;
  documents.push_back(document);
  if (documents.size() <= kKeptDocuments)
    return;
  guint64 oldest = documents.front();
  documents.pop_front();
  forgetFunctions([oldest](const FunctionData& f) { return f.document == oldest; });
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
  // Copied: the call may run script that changes the map.
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
  JscScriptContext(JSGlobalContextRef context,
                   WebKitWebPage* page,
                   guint64 frameId,
                   guint64 document)
      : context_(context),
        page_(page),
        frameId_(frameId),
        pageId_(webkit_web_page_get_id(page)),
        document_(document) {}

  std::u16string GetTopFrameURL() const override {
    WebKitFrame* top = mainFrameOf(page_);
    const char* uri = top ? webkit_frame_get_uri(top) : nullptr;
    return uri ? fromUtf8(uri) : std::u16string();
  }

  void SetGlobalFunction(const std::u16string& name,
                         std::shared_ptr<ScriptHandler> handler) override {
    JSStringRef jsName =
        JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(name.data()), name.size());
    JSObjectRef function = JSObjectMakeFunctionWithCallback(context_, jsName, callBridgeFunction);
    bridgeFunctions()[function] =
        FunctionData{std::move(handler), name, frameId_, pageId_, document_};
    JSObjectSetProperty(context_, JSContextGetGlobalObject(context_), jsName, function,
                        kJSPropertyAttributeNone, nullptr);
    JSStringRelease(jsName);
  }

 private:
  JSGlobalContextRef context_;
  WebKitWebPage* page_;
  guint64 frameId_;
  guint64 pageId_;
  guint64 document_;
};

RenderProcessHandler* renderProcessHandler() {
  return state().app ? state().app->GetRenderProcessHandler() : nullptr;
}

void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame) {
  RenderProcessHandler* handler = renderProcessHandler();
  if (!handler)
    return;
  noteDocument(page, webkit_frame_get_uri(frame));
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  JSGlobalContextRef context = webkit_frame_get_javascript_context_for_script_world(frame, world);
  G_GNUC_END_IGNORE_DEPRECATIONS
  guint64 document = ++state().lastDocument;
  auto documentFrame =
      std::make_shared<DocumentFrame>(frame, webkit_web_page_get_id(page), context, document);
  state().documents[document] = documentFrame;
  rememberDocument(frame, document);
  JscScriptContext scriptContext(context, page, webkit_frame_get_id(frame), document);
  handler->OnContextCreated(documentFrame, scriptContext);
}

// Script the browser process wants run in the document that sent a message: dropped when that
// document is gone or no longer shows in its frame.
gboolean onPageMessage(WebKitWebPage* /*page*/, WebKitUserMessage* message, gpointer) {
  if (g_strcmp0(webkit_user_message_get_name(message), kRunScriptMessage) != 0)
    return FALSE;
  auto run = decodeRunScript(webkit_user_message_get_parameters(message));
  if (!run)
    return TRUE;
  auto found = state().documents.find(run->document);
  if (found != state().documents.end()) {
    if (auto document = found->second.lock())
      document->ExecuteJavaScript(run->code);
  }
  return TRUE;
}

// The page's object is finalised when its browser is destroyed.
void onPageGone(gpointer, GObject*) {
  if (RenderProcessHandler* handler = renderProcessHandler())
    handler->OnBrowserDestroyed();
}

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  g_signal_connect(page, "user-message-received", G_CALLBACK(onPageMessage), nullptr);
  if (RenderProcessHandler* handler = renderProcessHandler())
    handler->OnBrowserCreated();
  g_object_weak_ref(G_OBJECT(page), onPageGone, nullptr);
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
  s.trust = TrustedOrigins::withCompiledList(fromUtf8(baseUrl));
  s.app = createApp(fromUtf8(baseUrl));
  // The web process's own switches are WebKit's business; the app still sees its line, as in
  // every process.
  s.app->OnBeforeCommandLineProcessing("renderer", CommandLine::Global());

  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(onWindowObjectCleared), nullptr);
  g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
}

}  // namespace varnet::engine::webkit
