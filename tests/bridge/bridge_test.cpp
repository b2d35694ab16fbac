// installBridge, CV8JsHandler and sendToBrowser against the fake engine.

#include <gtest/gtest.h>

#include "app/simple_app.h"
#include "bridge/bridge_functions.h"
#include "bridge/cv8js_handler.h"
#include "engine/fake_engine.h"

namespace varnet {
namespace {

using engine::ScriptValue;
using V = engine::ProcessMessage::Value;
using fake::FakeFrame;
using fake::FakeScriptContext;

constexpr char16_t kBase[] = u"http://127.0.0.1:18080/";

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override { fake::resetEngineRecord(); }

  // A portal frame with the bridge installed.
  std::shared_ptr<FakeFrame> installed(FakeScriptContext& context,
                                       std::u16string url = u"http://127.0.0.1:18080/login.jsp") {
    auto frame = std::make_shared<FakeFrame>(std::move(url));
    app.OnContextCreated(frame, context);
    return frame;
  }

  SimpleApp app{kBase};
};

TEST_F(Bridge, InstallsTheTwentyFunctionsInTableOrderEachWithItsOwnHandler) {
  FakeScriptContext context;
  auto frame = installed(context);
  ASSERT_EQ(context.names.size(), 20u);
  for (std::size_t i = 0; i < 20; ++i)
    EXPECT_EQ(context.names[i], kBridgeFunctionNames[i]);
  EXPECT_NE(context.functions[u"cb_unzip"], context.functions[u"cb_getversion"]);
  auto* handler = dynamic_cast<CV8JsHandler*>(context.functions[u"cb_unzip"].get());
  ASSERT_TRUE(handler);
  EXPECT_EQ(handler->app, &app);
  EXPECT_EQ(app.bridgeFrame, frame);
}

TEST_F(Bridge, FramesOutsideThePortalGetNothingAndLeaveTheBridgeFrame) {
  FakeScriptContext portal;
  auto frame = installed(portal);
  for (const char16_t* url : {u"http://evil.test/?u=http://127.0.0.1:18080/",
                              u"HTTP://127.0.0.1:18081/", u"about:blank"}) {
    FakeScriptContext outside;
    app.OnContextCreated(std::make_shared<FakeFrame>(url, false), outside);
    EXPECT_TRUE(outside.names.empty());
  }
  EXPECT_EQ(app.bridgeFrame, frame);
  app.OnContextReleased(frame);
  EXPECT_EQ(app.bridgeFrame, frame);
}

TEST_F(Bridge, TheLatestPortalContextBecomesTheBridgeFrameForEveryFunction) {
  FakeScriptContext mainContext, innerContext;
  auto main = installed(mainContext);
  auto inner = installed(innerContext, u"http://127.0.0.1:18080/inner.html");
  mainContext.call(u"cb_onsysmenu", {ScriptValue::Int(1)});
  EXPECT_TRUE(main->sent.empty());
  ASSERT_EQ(inner->sent.size(), 1u);
  EXPECT_EQ(inner->sent[0], engine::ProcessMessage("sysmenumsg", {V(1)}));
}

TEST_F(Bridge, SendersKeepTypesPositionsAndTheEnginesReadings) {
  FakeScriptContext context;
  auto frame = installed(context);
  context.call(u"cb_onsysmenu", {ScriptValue::String(u"2")});
  context.call(u"cb_onsyscaption", {ScriptValue::Int(7), ScriptValue::Int(8)});
  context.call(u"cb_oncaptionmousemove", {ScriptValue::Number(-4)});
  context.call(u"cb_download",
               {ScriptValue::String(u""), ScriptValue::String(u"task"), ScriptValue::Number(1)});
  context.call(u"cb_openurl", {ScriptValue::String(u"http://x.test/")});
  context.call(u"cb_callbacldownlist", {ScriptValue::Number(3.5), ScriptValue::String(u"l")});
  std::vector<engine::ProcessMessage> expected = {
      engine::ProcessMessage("sysmenumsg", {V(0)}),
      engine::ProcessMessage("syscaption", {V(7)}),
      engine::ProcessMessage("syscaptionmove", {V(-4), V(0)}),
      engine::ProcessMessage("download", {V(u""), V(u"task"), V(u"")}),
      engine::ProcessMessage("openurl", {V(u"http://x.test/")}),
      engine::ProcessMessage("callbacldownlist", {V(0), V(u"l")}),
  };
  EXPECT_EQ(frame->sent, expected);
}

TEST_F(Bridge, WithoutABridgeFrameNothingIsSentAndCallsStillReturn) {
  CV8JsHandler handler(&app);
  engine::ScriptResult result;
  EXPECT_TRUE(handler.Execute(u"cb_onsysmenu", {ScriptValue::Int(0)}, result));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(result));
}

TEST_F(Bridge, VersionFunctions) {
  FakeScriptContext context;
  installed(context);
  EXPECT_EQ(context.call(u"cb_getversion"), engine::ScriptResult(std::u16string(u"1.8")));
  auto check = [&](std::u16string offered) {
    return std::get<std::u16string>(context.call(u"cb_vercheck", {ScriptValue::String(offered)}));
  };
  EXPECT_EQ(check(u"1.8"), u"");
  EXPECT_EQ(std::get<std::u16string>(context.call(u"cb_vercheck", {ScriptValue::Number(2)})),
            u"");  // a number is no text: it reads as empty, 0
  EXPECT_EQ(check(u"1.9"), u"update");
  EXPECT_TRUE(app.updateOffered);
  EXPECT_EQ(check(u"1.9"), u"");
  EXPECT_EQ(check(u"5"), u"");
  // Another render process (another app object) answers anew.
  SimpleApp other{kBase};
  FakeScriptContext otherContext;
  other.OnContextCreated(std::make_shared<FakeFrame>(u"http://127.0.0.1:18080/"), otherContext);
  EXPECT_EQ(
      std::get<std::u16string>(otherContext.call(u"cb_vercheck", {ScriptValue::String(u"1.81")})),
      u"update");
}

TEST_F(Bridge, SelectSavePathAsksTheEnginesChooserAndTurnsBackslashes) {
  FakeScriptContext context;
  installed(context);
  fake::engineRecord().folderDialogAnswer = u"C:\\Games\\Sub";
  EXPECT_EQ(context.call(u"cb_selectsavepath"),
            engine::ScriptResult(std::u16string(u"C:/Games/Sub")));
  fake::engineRecord().folderDialogAnswer = u"";
  EXPECT_EQ(context.call(u"cb_selectsavepath"), engine::ScriptResult(std::u16string()));
  std::vector<std::u16string> titles = {u"选择目录", u"选择目录"};
  EXPECT_EQ(fake::engineRecord().folderDialogTitles, titles);
}

TEST_F(Bridge, UnknownNamesAreIgnored) {
  CV8JsHandler handler(&app);
  engine::ScriptResult result;
  EXPECT_FALSE(handler.Execute(u"cb_GETVERSION", {}, result));
  EXPECT_FALSE(handler.Execute(u"cb_nothing", {}, result));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(result));
}

TEST_F(Bridge, TheRenderProcessAcceptsAndIgnoresMessages) {
  EXPECT_TRUE(app.OnProcessMessageReceived(nullptr, engine::ProcessMessage("anything")));
}

}  // namespace
}  // namespace varnet
