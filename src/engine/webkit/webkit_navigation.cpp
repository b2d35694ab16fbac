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

// As in CEF, a response the engine cannot show, or one that asks to be saved, becomes a
// download (WebKit would otherwise drop it).
gboolean WebKitBrowser::onDecidePolicy(WebKitWebView*,
                                       WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type,
                                       WebKitBrowser*) {
  VARNET_REQUIRE_UI_THREAD();
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
    return FALSE;
  auto* responseDecision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(responseDecision);
  bool attachment = false;
  if (SoupMessageHeaders* headers =
          response ? webkit_uri_response_get_http_headers(response) : nullptr) {
    char* disposition = nullptr;
    if (soup_message_headers_get_content_disposition(headers, &disposition, nullptr)) {
      attachment = g_ascii_strcasecmp(disposition, "attachment") == 0;
      g_free(disposition);
    }
  }
  if (!attachment && webkit_response_policy_decision_is_mime_type_supported(responseDecision))
    return FALSE;
  webkit_policy_decision_download(decision);
  return TRUE;
}

}  // namespace varnet::engine::webkit
