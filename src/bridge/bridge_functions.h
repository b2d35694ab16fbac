#pragma once

// The bridge functions on the portal page's `window`, in installation order.

namespace varnet {

inline constexpr const char16_t* kBridgeFunctionNames[] = {
    u"cb_onsysmenu",
    u"cb_onsyscaption",
    u"cb_oncaptionmousemove",
    u"cb_download",
    u"cb_deletepath",
    u"cb_maketick",
    u"cb_selectsavepath",
    u"cb_rungame",
    u"cb_unsetup",
    u"cb_getsetuppath",
    u"cb_opendir",
    u"cb_shutdown",
    u"cb_openurl",
    u"cb_vercheck",
    u"cb_getversion",
    u"cb_flashcache",
    u"cb_unzip",
    u"cb_stopunzip",
    u"cb_getunzipprogress",
    u"cb_callbacldownlist",
};

}  // namespace varnet
