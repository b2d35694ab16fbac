#pragma once

// A browser of the WebKitGTK port: a GTK top-level window holding one WebKit web view, with the
// client's callbacks fed from the view's signals. Lives in the engine's registry (webkit_state.h)
// from creation until its window is destroyed; all of it runs on the UI thread.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "engine/client.h"
#include "engine/engine.h"
#include "engine/webkit/user_messages.h"

namespace varnet::engine::webkit {

class WebKitBrowser : public Browser,
                      public BrowserHost,
                      public std::enable_shared_from_this<WebKitBrowser> {
 public:
  WebKitBrowser(int id, std::shared_ptr<Client> client) : id_(id), client_(std::move(client)) {}

  // A new registered browser showing `url`; `related` is the opener's view for a pop-up, which
  // WebKit itself then loads. The client's OnAfterCreated has run on return.
  static std::shared_ptr<WebKitBrowser> open(const WindowInfo& info,
                                             const std::shared_ptr<Client>& client,
                                             const std::u16string& url,
                                             WebKitWebView* related);

  // Browser methods:
  int GetIdentifier() const override { return id_; }
  std::shared_ptr<Frame> GetMainFrame() override { return mainFrame_; }
  void Reload() override;
  BrowserHost& GetHost() override { return *this; }

  // BrowserHost methods:
  platform::WindowHandle GetWindowHandle() const override { return window_; }
  void CloseBrowser(bool force) override;
  void WasResized() override;
  void RunAfterSentScripts(std::function<void()> done) override;

  WebKitWebView* view() const { return view_; }
  GtkWindow* window() const { return window_; }
  const std::shared_ptr<Client>& client() const { return client_; }

  // Script for the document that sent a message, through the web extension, which knows it.
  void runScriptInFrame(const SenderFrame& frame, const std::u16string& code);

 private:
  void create(const WindowInfo& info, const std::u16string& url, WebKitWebView* related);
  void connectSignals();
  void closeNow();

  // Life span and load (webkit_browser.cpp).
  static void onTitle(WebKitWebView*, GParamSpec*, WebKitBrowser*);
  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, WebKitBrowser*);
  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, char*, GError*, WebKitBrowser*);
  static gboolean onUserMessage(WebKitWebView*, WebKitUserMessage*, WebKitBrowser*);
  static void onClose(WebKitWebView*, WebKitBrowser*);
  static gboolean onDelete(GtkWidget*, GdkEvent*, WebKitBrowser*);
  static void onDestroy(GtkWidget*, WebKitBrowser*);
  // Navigation and pop-ups (webkit_navigation.cpp).
  static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, WebKitBrowser*);
  static void onReadyToShow(WebKitWebView*, WebKitBrowser*);
  static gboolean onDecidePolicy(WebKitWebView*,
                                 WebKitPolicyDecision*,
                                 WebKitPolicyDecisionType,
                                 WebKitBrowser*);
  // Context menu (webkit_context_menu.cpp).
  static gboolean onContextMenu(WebKitWebView*,
                                WebKitContextMenu*,
                                GdkEvent*,
                                WebKitHitTestResult*,
                                WebKitBrowser*);

  int id_;
  std::shared_ptr<Client> client_;
  // Owned by GTK: the window holds the view and goes with "destroy", which clears both.
  GtkWindow* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  std::shared_ptr<Frame> mainFrame_;
  bool closing_ = false;
};

// Runs `code` in the view's main frame without waiting for a result.
void runScriptInView(WebKitWebView* view, const std::u16string& code);

}  // namespace varnet::engine::webkit
