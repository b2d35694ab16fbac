// Navigation and pop-ups: WebKit's policy decisions and new-window requests.

#include "engine/ui_thread.h"
#include "engine/webkit/webkit_browser.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

GtkWidget* WebKitBrowser::onCreate(WebKitWebView* view,
                                   WebKitNavigationAction* action,
                                   WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* target = request ? webkit_uri_request_get_uri(request) : nullptr;
  if (self->client_ && self->client_->OnBeforePopup(self->shared_from_this(), self->mainFrame_,
                                                    fromUtf8(target ? target : "")))
    return nullptr;
  WindowInfo info;
  info.width = 800;
  info.height = 600;
  // WebKit loads the target itself; the window is shown on ready-to-show.
  auto popup = open(info, self->client_, {}, view);
  return GTK_WIDGET(popup->view_);
}

void WebKitBrowser::onReadyToShow(WebKitWebView* view, WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  GdkRectangle geometry = {};
  webkit_window_properties_get_geometry(webkit_web_view_get_window_properties(view), &geometry);
  if (geometry.width > 0 && geometry.height > 0)
    gtk_window_resize(self->window_, geometry.width, geometry.height);
  gtk_widget_show_all(GTK_WIDGET(self->window_));
}

namespace {

// Cancels the load when the client refuses it.
gboolean judged(WebKitPolicyDecision* decision, bool refused) {
  if (!refused)
    return FALSE;  // WebKit's default: load
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

// As in CEF, a response the engine cannot show, or one that asks to be saved, becomes a
// download (WebKit would otherwise drop it).
bool isDownload(WebKitResponsePolicyDecision* decision) {
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
  bool attachment = false;
  if (SoupMessageHeaders* headers =
          response ? webkit_uri_response_get_http_headers(response) : nullptr) {
    char* disposition = nullptr;
    if (soup_message_headers_get_content_disposition(headers, &disposition, nullptr)) {
      attachment = g_ascii_strcasecmp(disposition, "attachment") == 0;
      g_free(disposition);
    }
  }
  return attachment || !webkit_response_policy_decision_is_mime_type_supported(decision);
}

}  // namespace

// Every navigation of any frame, and each of its redirect steps, is put to the client before
// the request goes out. WebKitGTK does not say which frame navigates at that point, so the
// document's response is put to it once more, now with its frame known: nothing the client
// refuses is ever shown.
gboolean WebKitBrowser::onDecidePolicy(WebKitWebView*,
                                       WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type,
                                       WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  const auto& client = self->client_;
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    std::u16string target = fromUtf8(uri ? uri : "");
    Navigation navigation{target, FrameKind::Unknown,
                          webkit_navigation_action_is_user_gesture(action) != FALSE,
                          webkit_navigation_action_is_redirect(action) != FALSE};
    return judged(decision, client && client->OnBeforeBrowse(self->shared_from_this(), navigation));
  }
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
    return FALSE;  // a new window: "create" asks the client
  auto* responseDecision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(responseDecision);
  const char* uri = response ? webkit_uri_response_get_uri(response) : nullptr;
  std::u16string target = fromUtf8(uri ? uri : "");
  Navigation navigation{
      target, webkit_response_policy_decision_is_main_frame_main_resource(responseDecision)
                  ? FrameKind::Main
                  : FrameKind::Sub};
  if (client && client->OnBeforeBrowse(self->shared_from_this(), navigation))
    return judged(decision, true);
  if (!isDownload(responseDecision))
    return FALSE;
  webkit_policy_decision_download(decision);
  return TRUE;
}

}  // namespace varnet::engine::webkit
