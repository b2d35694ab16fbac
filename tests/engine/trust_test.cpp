#include "engine/trust.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace varnet {
namespace {

constexpr char16_t kBase[] = u"http://127.0.0.1:18080/portal/";

TEST(TrustedOrigins, ThePortalsOriginAndTheListedOnesAreTrustedNothingElse) {
  const TrustedOrigins trust(kBase,
                             {u"https://cdn.example", u"not an origin", u"HTTP://Help.Test:81/x"});
  for (const char16_t* address :
       {u"http://127.0.0.1:18080/portal/login.jsp",
        u"http://127.0.0.1:18080/elsewhere.html",  // same origin
        u"https://cdn.example/", u"https://CDN.example:443/a?b", u"http://help.test:81/faq"})
    EXPECT_TRUE(trust.isTrusted(address)) << toUtf8(address);
  for (const char16_t* address :
       {u"http://cdn.example/", u"https://cdn.example:8443/", u"http://help.test/faq",
        u"http://localhost:18080/portal/", u"http://127.0.0.2:18080/portal/", u"not an origin",
        u"about:blank", u"data:text/html,x"})
    EXPECT_FALSE(trust.isTrusted(address)) << toUtf8(address);
  EXPECT_FALSE(TrustedOrigins(kBase, {}).isTrusted(u"https://cdn.example/"));
}

TEST(TrustedOrigins, TheBridgeNeedsTheFrameAndItsTopUnderThePortalOrOfAListedOrigin) {
  const TrustedOrigins trust(kBase, {u"https://cdn.example"});
  const char16_t portal[] = u"http://127.0.0.1:18080/portal/a.jsp";
  EXPECT_TRUE(trust.mayHaveBridge(portal, portal));
  EXPECT_TRUE(trust.mayHaveBridge(u"https://cdn.example/x", portal));  // the listed origin's powers
  EXPECT_TRUE(trust.mayHaveBridge(portal, u"https://cdn.example/x"));
  EXPECT_FALSE(trust.mayHaveBridge(portal, u"http://localhost:18080/portal/a.jsp"));
  EXPECT_FALSE(trust.mayHaveBridge(u"http://localhost:18080/portal/a.jsp", portal));
  // The portal's origin outside its base path may be shown, but gets no bridge.
  EXPECT_FALSE(trust.mayHaveBridge(u"http://127.0.0.1:18080/other.html", portal));
  EXPECT_FALSE(trust.mayHaveBridge(u"about:blank", portal));
}

TEST(LocalDocuments, OnlyThoseAPageMakesItself) {
  for (const char16_t* address : {u"about:blank", u"ABOUT:blank", u"about:srcdoc", u"about:blank#x",
                                  u"data:text/html,<b>x</b>", u"blob:http://127.0.0.1:18080/1-2"})
    EXPECT_TRUE(isLocalDocument(address)) << toUtf8(address);
  for (const char16_t* address : {u"about:config", u"about:blankx", u"javascript:alert(1)",
                                  u"file:///etc/passwd", u"http://data:80/", u""})
    EXPECT_FALSE(isLocalDocument(address)) << toUtf8(address);
}

TEST(Navigation, ForeignDocumentsNeverLoadTheMainFramesGoToTheDesktop) {
  const TrustedOrigins trust(kBase, {});
  using V = NavigationVerdict;
  struct Case {
    const char16_t* target;
    FrameKind frame;
    bool gesture;
    bool redirect;
    V verdict;
  } cases[] = {
      {u"http://127.0.0.1:18080/portal/b.jsp", FrameKind::Main, false, false, V::Load},
      {u"http://127.0.0.1:18080/portal/b.jsp", FrameKind::Sub, false, true, V::Load},
      {u"http://evil.test/", FrameKind::Main, false, false, V::OpenInDesktopBrowser},
      {u"http://evil.test/", FrameKind::Main, false, true, V::OpenInDesktopBrowser},
      {u"http://evil.test/", FrameKind::Sub, true, false, V::Refuse},
      {u"http://evil.test/", FrameKind::Unknown, true, false, V::OpenInDesktopBrowser},
      {u"http://evil.test/", FrameKind::Unknown, false, false, V::Refuse},
      {u"about:srcdoc", FrameKind::Sub, false, false, V::Load},
      {u"data:text/html,x", FrameKind::Main, false, false, V::Load},
      {u"data:text/html,x", FrameKind::Sub, false, true, V::Refuse},  // no redirect into one
      // Only web addresses are handed to the desktop.
      {u"file:///usr/bin/xterm", FrameKind::Main, true, false, V::Refuse},
      {u"smb://evil.test/share/run.desktop", FrameKind::Main, true, false, V::Refuse},
  };
  for (const auto& c : cases)
    EXPECT_EQ(decideNavigation(trust, {c.target, c.frame, c.gesture, c.redirect}), c.verdict)
        << toUtf8(c.target) << " frame " << int(c.frame) << " gesture " << c.gesture;
}

TEST(Popup, TrustedAndSelfMadeOpenForeignWebAddressesGoToTheDesktop) {
  const TrustedOrigins trust(kBase, {u"https://help.test"});
  EXPECT_EQ(decidePopup(trust, u"http://127.0.0.1:18080/portal/pop.jsp"), PopupVerdict::Open);
  EXPECT_EQ(decidePopup(trust, u"https://help.test/faq"), PopupVerdict::Open);
  EXPECT_EQ(decidePopup(trust, u""), PopupVerdict::Open);
  EXPECT_EQ(decidePopup(trust, u"about:blank"), PopupVerdict::Open);
  EXPECT_EQ(decidePopup(trust, u"http://localhost:18080/portal/pop.jsp"),
            PopupVerdict::OpenInDesktopBrowser);
  EXPECT_EQ(decidePopup(trust, u"file:///bin/sh"), PopupVerdict::Refuse);
  EXPECT_EQ(decidePopup(trust, u"javascript:opener.cb_x()"), PopupVerdict::Refuse);
}

TEST(UpdateDownload, OnlyFromTheMainWindowAndTrustedAllTheWay) {
  const TrustedOrigins trust(kBase, {});
  const char16_t portal[] = u"http://127.0.0.1:18080/portal/update.exe";
  const char16_t foreign[] = u"http://127.0.0.2:18080/portal/update.exe";
  EXPECT_TRUE(isUpdateDownload(trust, true, portal, portal));
  EXPECT_FALSE(isUpdateDownload(trust, false, portal, portal));
  EXPECT_FALSE(isUpdateDownload(trust, true, foreign, portal));
  EXPECT_FALSE(isUpdateDownload(trust, true, portal, foreign));
  EXPECT_FALSE(
      isUpdateDownload(trust, true, u"data:application/x-exe,MZ", u"data:application/x-exe,MZ"));
}

}  // namespace
}  // namespace varnet
