#pragma once

// The context menu the engine is about to show (CefContextMenuParams, CefMenuModel).

namespace varnet::engine {

// What was clicked, as CEF's cef_context_menu_type_flags_t.
enum ContextMenuTypeFlags : int {
  CM_TYPEFLAG_NONE = 0,
  CM_TYPEFLAG_PAGE = 1 << 0,
  CM_TYPEFLAG_FRAME = 1 << 1,
  CM_TYPEFLAG_LINK = 1 << 2,
  CM_TYPEFLAG_MEDIA = 1 << 3,
  CM_TYPEFLAG_SELECTION = 1 << 4,
  CM_TYPEFLAG_EDITABLE = 1 << 5,
};

class ContextMenuParams {
 public:
  virtual ~ContextMenuParams() = default;
  virtual int GetTypeFlags() const = 0;
};

class MenuModel {
 public:
  virtual ~MenuModel() = default;
  virtual int GetCount() const = 0;
  // Removes every item; a menu left empty is not shown.
  virtual void Clear() = 0;
};

}  // namespace varnet::engine
