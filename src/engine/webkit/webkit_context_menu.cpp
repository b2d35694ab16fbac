// The context menu: WebKit's hit test and menu as the client's menu parameters and model.

#include "engine/context_menu.h"
#include "engine/ui_thread.h"
#include "engine/webkit/webkit_browser.h"

namespace varnet::engine::webkit {

namespace {

class ContextMenuInfo : public ContextMenuParams {
 public:
  explicit ContextMenuInfo(WebKitHitTestResult* hit) {
    guint context = hit ? webkit_hit_test_result_get_context(hit) : 0;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_DOCUMENT)
      flags_ |= CM_TYPEFLAG_PAGE;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_LINK)
      flags_ |= CM_TYPEFLAG_LINK;
    if (context & (WEBKIT_HIT_TEST_RESULT_CONTEXT_IMAGE | WEBKIT_HIT_TEST_RESULT_CONTEXT_MEDIA))
      flags_ |= CM_TYPEFLAG_MEDIA;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_SELECTION)
      flags_ |= CM_TYPEFLAG_SELECTION;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_EDITABLE)
      flags_ |= CM_TYPEFLAG_EDITABLE;
  }
  int GetTypeFlags() const override { return flags_; }

 private:
  int flags_ = CM_TYPEFLAG_NONE;
};

class ContextMenuModel : public MenuModel {
 public:
  explicit ContextMenuModel(WebKitContextMenu* menu) : menu_(menu) {}
  int GetCount() const override { return static_cast<int>(webkit_context_menu_get_n_items(menu_)); }
  void Clear() override { webkit_context_menu_remove_all(menu_); }

 private:
  WebKitContextMenu* menu_;
};

}  // namespace

gboolean WebKitBrowser::onContextMenu(WebKitWebView*,
                                      WebKitContextMenu* menu,
                                      GdkEvent*,
                                      WebKitHitTestResult* hit,
                                      WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  if (!self->client_)
    return FALSE;
  ContextMenuInfo params(hit);
  ContextMenuModel model(menu);
  self->client_->OnBeforeContextMenu(self->shared_from_this(), self->mainFrame_, params, model);
  return model.GetCount() == 0;  // an emptied menu is not shown at all
}

}  // namespace varnet::engine::webkit
