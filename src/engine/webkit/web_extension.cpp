#include "engine/webkit/web_extension.h"

#include <jsc/jsc.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "engine/command_line.h"
#include "engine/folder_dialog.h"
#include "engine/webkit/user_messages.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

// Process-wide state of the web process; everything runs on its main thread.
struct ExtensionState {
  WebKitWebExtension* extension = nullptr;
  std::shared_ptr<App> app;
  std::string folderServicePath;
  // Every frame that had a script context, by id, so that the browser process can address it.
  std::map<guint64, std::weak_ptr<class RenderFrame>> frames;
  // The page whose bridge function is running, for the folder chooser's owner window.
  guint64 callingPage = 0;
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

// One bridge function's data: its handler, its name, and the page it lives in.
struct FunctionData {
  std::shared_ptr<ScriptHandler> handler;
  std::u16string name;
  guint64 pageId;
};

ScriptValue readArgument(JSCValue* value) {
  if (jsc_value_is_number(value))
    return ScriptValue::Number(jsc_value_to_double(value));
  if (jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    ScriptValue read = ScriptValue::String(fromUtf8(text));
    g_free(text);
    return read;
  }
  if (jsc_value_is_boolean(value))
    return ScriptValue::Bool(jsc_value_to_boolean(value));
  if (jsc_value_is_null(value))
    return ScriptValue::Null();
  if (jsc_value_is_undefined(value))
    return ScriptValue::Undefined();
  return ScriptValue::Object();
}

// The JavaScriptCore callback of every bridge function: the call is served before it returns,
// and the result is the function's return value.
JSCValue* callBridgeFunction(GPtrArray* jsArguments, FunctionData* data) {
  JSCContext* context = jsc_context_get_current();
  ScriptArguments arguments;
  arguments.reserve(jsArguments ? jsArguments->len : 0);
  for (guint i = 0; jsArguments && i < jsArguments->len; ++i)
    arguments.push_back(readArgument(static_cast<JSCValue*>(g_ptr_array_index(jsArguments, i))));

  ScriptResult result;
  guint64 outerPage = state().callingPage;
  state().callingPage = data->pageId;
  data->handler->Execute(data->name, arguments, result);
  state().callingPage = outerPage;

  if (const auto* number = std::get_if<std::int32_t>(&result))
    return jsc_value_new_number(context, *number);
  if (const auto* text = std::get_if<std::u16string>(&result))
    return jsc_value_new_string(context, toUtf8(*text).c_str());
  return jsc_value_new_undefined(context);
}

class JscScriptContext : public ScriptContext {
 public:
  JscScriptContext(JSCContext* context, guint64 pageId) : context_(context), pageId_(pageId) {}

  void SetGlobalFunction(const std::u16string& name,
                         std::shared_ptr<ScriptHandler> handler) override {
    std::string utf8 = toUtf8(name);
    auto* data = new FunctionData{std::move(handler), name, pageId_};
    JSCValue* function = jsc_value_new_function_variadic(
        context_, utf8.c_str(), G_CALLBACK(callBridgeFunction), data,
        [](gpointer p) { delete static_cast<FunctionData*>(p); }, JSC_TYPE_VALUE);
    JSCValue* global = jsc_context_get_global_object(context_);
    jsc_value_object_set_property(global, utf8.c_str(), function);
    g_object_unref(global);
    g_object_unref(function);
  }

 private:
  JSCContext* context_;
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
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  JscScriptContext scriptContext(context, webkit_web_page_get_id(page));
  handler->OnContextCreated(renderFrame, scriptContext);
  g_object_unref(context);
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
  s.folderServicePath = folderService;
  s.app = createApp(fromUtf8(baseUrl));
  // The web process's own switches are WebKit's business; the app still sees its line, as in
  // every process.
  s.app->OnBeforeCommandLineProcessing("renderer", CommandLine::Global());

  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(onWindowObjectCleared), nullptr);
  g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
}

}  // namespace varnet::engine::webkit

namespace varnet::engine {

// The web process shows no windows: the browser process's folder-chooser service shows the
// chooser over the calling page's window, and this call waits for its answer. Request: the page
// id and the title, each on a line; answer: the chosen path (UTF-8), empty when cancelled.
std::u16string RunFolderDialog(const std::u16string& title) {
  const std::string& servicePath = webkit::state().folderServicePath;
  sockaddr_un address = {};
  if (servicePath.empty() || servicePath.size() >= sizeof(address.sun_path))
    return {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, servicePath.c_str(), servicePath.size());

  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return {};
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
    std::string request = std::to_string(webkit::state().callingPage) + "\n" + toUtf8(title) + "\n";
    bool sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(request.size());
    shutdown(fd, SHUT_WR);
    char buffer[4096];
    ssize_t n = 0;
    while (sent && (n = read(fd, buffer, sizeof(buffer))) != 0) {
      if (n < 0) {
        if (errno == EINTR)
          continue;
        answer.clear();
        break;
      }
      answer.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  return fromUtf8(answer);
}

}  // namespace varnet::engine
