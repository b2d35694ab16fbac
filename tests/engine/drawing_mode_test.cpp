// The drawing mode the WebKit port puts into the environment: chosen for a process that has no
// say of its own, and never over a value the user set.

#include "engine/webkit/drawing_mode.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace varnet::engine::webkit {
namespace {

const char* const kVariables[] = {"WEBKIT_DISABLE_COMPOSITING_MODE",
                                  "WEBKIT_DISABLE_DMABUF_RENDERER", "GDK_GL",
                                  "WEBKIT_WEB_RENDER_DEVICE_FILE"};

class DrawingMode : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) {
      if (const char* value = g_getenv(name))
        saved_[name] = value;
      g_unsetenv(name);
    }
  }
  void TearDown() override {
    for (const char* name : kVariables) {
      auto found = saved_.find(name);
      if (found == saved_.end())
        g_unsetenv(name);
      else
        g_setenv(name, found->second.c_str(), TRUE);
    }
  }
  static std::optional<std::string> get(const char* name) {
    const char* value = g_getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }

 private:
  std::map<std::string, std::string> saved_;
};

TEST_F(DrawingMode, SoftwareDrawingIsChosenButEveryValueTheUserSetStays) {
  g_setenv("GDK_GL", "always", TRUE);
  g_setenv("WEBKIT_WEB_RENDER_DEVICE_FILE", "/dev/dri/renderD129", TRUE);
  chooseDrawingMode();
  EXPECT_TRUE(drawsInSoftware());
  EXPECT_EQ(get("WEBKIT_DISABLE_COMPOSITING_MODE"), "1");
  EXPECT_EQ(get("WEBKIT_DISABLE_DMABUF_RENDERER"), "1");
  EXPECT_EQ(get("GDK_GL"), "always");
  EXPECT_EQ(get("WEBKIT_WEB_RENDER_DEVICE_FILE"), "/dev/dri/renderD129");

  g_unsetenv("GDK_GL");
  g_unsetenv("WEBKIT_WEB_RENDER_DEVICE_FILE");
  chooseDrawingMode();
  EXPECT_EQ(get("GDK_GL"), "disable");
  EXPECT_EQ(get("WEBKIT_WEB_RENDER_DEVICE_FILE").value_or("").rfind("/dev/dri/renderD", 0), 0u);
}

TEST_F(DrawingMode, CompositingModeZeroHandsTheWholeChoiceBackToWebKit) {
  g_setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "0", TRUE);
  chooseDrawingMode();
  EXPECT_FALSE(drawsInSoftware());
  for (const char* name :
       {"WEBKIT_DISABLE_DMABUF_RENDERER", "GDK_GL", "WEBKIT_WEB_RENDER_DEVICE_FILE"})
    EXPECT_EQ(get(name), std::nullopt) << name;
}

}  // namespace
}  // namespace varnet::engine::webkit
