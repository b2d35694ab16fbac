// installBridge, the function table with CV8JsHandler, and sendToBrowser against the fake engine.

#include <gtest/gtest.h>

#include "app/simple_app.h"
#include "bridge/bridge_functions.h"
#include "bridge/cv8js_handler.h"
#include "config.h"
#include "engine/fake_engine.h"
#include "platform/text.h"

namespace varnet {
namespace {

using engine::ScriptValue;
using V = engine::ProcessMessage::Value;
using fake::FakeFrame;
using fake::FakeScriptContext;

constexpr char16_t kBase[] = u"http://127.0.0.1:18080/";
constexpr char16_t kLogin[] = u"http://127.0.0.1:18080/login.jsp";

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override { fake::resetEngineRecord(); }

  // A portal frame with the bridge installed.
  std::shared_ptr<FakeFrame> installed(FakeScriptContext& context, std::u16string url = kLogin) {
    auto frame = std::make_shared<FakeFrame>(std::move(url));
    if (context.topFrameUrl.empty())
      context.topFrameUrl = frame->url;
    app.OnContextCreated(frame, context);
    return frame;
  }

  SimpleApp app{kBase};
};

TEST_F(Bridge, InstallsTheTwentyFunctionsInTableOrderEachWithItsOwnHandlerBoundToItsFrame) {
  FakeScriptContext context;
  auto frame = installed(context);
  ASSERT_EQ(context.names.size(), kBridgeFunctions.size());
  for (std::size_t i = 0; i < kBridgeFunctions.size(); ++i)
    EXPECT_EQ(context.names[i], kBridgeFunctions[i].name);
  EXPECT_EQ(context.names[19], u"cb_callbacldownlist");
  EXPECT_NE(context.functions[u"cb_unzip"], context.functions[u"cb_getversion"]);
  auto* handler = dynamic_cast<CV8JsHandler*>(context.functions[u"cb_unzip"].get());
  ASSERT_TRUE(handler);
  EXPECT_EQ(&handler->state, &app.bridge);
  EXPECT_EQ(handler->frame, frame);
}

TEST_F(Bridge, OnlyPortalFramesUnderAPortalTopGetTheBridge) {
  for (const char16_t* url : {u"http://evil.test/?u=http://127.0.0.1:18080/",
                              u"HTTP://127.0.0.1:18081/", u"about:blank"}) {
    FakeScriptContext outside(kLogin);
    app.OnContextCreated(std::make_shared<FakeFrame>(url, false), outside);
    EXPECT_TRUE(outside.names.empty()) << toUtf8(url);
  }
  // A portal page framed by a foreign page, or in a page whose top is unknown.
  for (const char16_t* top : {u"http://evil.test/", u""}) {
    FakeScriptContext framed(top);
    app.OnContextCreated(std::make_shared<FakeFrame>(kLogin, false), framed);
    EXPECT_TRUE(framed.names.empty()) << toUtf8(top);
  }
}

TEST_F(Bridge, EachFunctionSendsThroughItsOwnFrameAndStopsWhenTheFrameIsNoLongerValid) {
  FakeScriptContext mainContext, innerContext(kLogin);
  auto main = installed(mainContext);
  auto inner = installed(innerContext, u"http://127.0.0.1:18080/inner.html");
  mainContext.call(u"cb_onsysmenu", {ScriptValue::Int(1)});
  innerContext.call(u"cb_onsysmenu", {ScriptValue::Int(0)});
  EXPECT_EQ(main->sent, std::vector{engine::ProcessMessage("sysmenumsg", {V(1)})});
  EXPECT_EQ(inner->sent, std::vector{engine::ProcessMessage("sysmenumsg", {V(0)})});

  // Removed or navigated away: every function does nothing and answers nothing.
  inner->valid = false;
  innerContext.call(u"cb_download", {ScriptValue::String(u"f")});
  EXPECT_EQ(innerContext.call(u"cb_getversion"), engine::ScriptResult());
  EXPECT_EQ(innerContext.call(u"cb_maketick"), engine::ScriptResult());
  EXPECT_EQ(inner->sent.size(), 1u);
  EXPECT_EQ(mainContext.call(u"cb_getversion"),
            engine::ScriptResult(std::u16string(config::kClientVersion)));
}

TEST_F(Bridge, VersionFunctions) {
  FakeScriptContext context;
  installed(context);
  EXPECT_EQ(context.call(u"cb_getversion"),
            engine::ScriptResult(std::u16string(config::kClientVersion)));
  auto check = [&](std::u16string offered) {
    return std::get<std::u16string>(context.call(u"cb_vercheck", {ScriptValue::String(offered)}));
  };
  EXPECT_EQ(check(u"1.8"), u"");
  EXPECT_EQ(std::get<std::u16string>(context.call(u"cb_vercheck", {ScriptValue::Number(2)})),
            u"");  // a number is no text: it reads as empty, 0
  EXPECT_EQ(check(u"1.9"), u"update");
  EXPECT_TRUE(app.bridge.updateOffered);
  EXPECT_EQ(check(u"1.9"), u"");
  EXPECT_EQ(check(u"5"), u"");
  // Another render process (another app object) answers anew.
  SimpleApp other{kBase};
  FakeScriptContext otherContext(kBase);
  other.OnContextCreated(std::make_shared<FakeFrame>(kBase), otherContext);
  EXPECT_EQ(
      std::get<std::u16string>(otherContext.call(u"cb_vercheck", {ScriptValue::String(u"1.81")})),
      u"update");
}

TEST_F(Bridge, UnknownNamesAreIgnored) {
  CV8JsHandler handler(app.bridge, std::make_shared<FakeFrame>(kLogin));
  engine::ScriptResult result;
  EXPECT_FALSE(handler.Execute(u"cb_GETVERSION", {}, result));
  EXPECT_FALSE(handler.Execute(u"cb_nothing", {}, result));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(result));
}

}  // namespace
}  // namespace varnet
