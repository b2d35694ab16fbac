#include "platform/instance.h"

#include <gtest/gtest.h>  // before X11, whose macros (None) clash with it

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/text.h"

extern char** environ;

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_ = fs::temp_directory_path() / ("varnet-lock-" + std::to_string(getpid()));
    fs::create_directories(runtime_);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(runtime_); }

  // Runs `body` in a child process and returns its exit code.
  template <typename Body>
  static int inChild(Body body) {
    pid_t pid = fork();
    if (pid == 0)
      _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path runtime_;
};

TEST_F(InstanceLockTest, TheFirstTakerCreatesItAndEveryLaterOneFindsItThere) {
  EXPECT_EQ(inChild([] { return int(acquireInstanceLock(u"korvelapp")); }),
            int(InstanceLock::Created));
  // The child has ended, so its lock has gone with it.
  ASSERT_EQ(acquireInstanceLock(u"korvelapp"), InstanceLock::Created);
  EXPECT_TRUE(fs::exists(runtime_ / "korvelapp.lock"));
  EXPECT_EQ(inChild([] { return int(acquireInstanceLock(u"korvelapp")); }),
            int(InstanceLock::AlreadyExists));
  EXPECT_EQ(inChild([] { return int(acquireInstanceLock(u"another")); }),
            int(InstanceLock::Created));
}

TEST_F(InstanceLockTest, ProgramsStartedByTheHolderDoNotKeepTheLock) {
  int sleeperPid = inChild([] {
    if (acquireInstanceLock(u"korvelapp") != InstanceLock::Created)
      return 0;
    pid_t sleeper = 0;
    const char* argv[] = {"sleep", "30", nullptr};
    if (posix_spawnp(&sleeper, "sleep", nullptr, nullptr, const_cast<char**>(argv), environ))
      return 0;
    setpgid(sleeper, sleeper);
    // Exit codes are 8 bits: hand the pid over through a file.
    FILE* out = fopen("sleeper.pid", "w");
    fprintf(out, "%d", sleeper);
    fclose(out);
    return 1;
  });
  ASSERT_EQ(sleeperPid, 1);
  FILE* in = fopen("sleeper.pid", "r");
  int pid = 0;
  ASSERT_EQ(fscanf(in, "%d", &pid), 1);
  fclose(in);
  std::remove("sleeper.pid");
  EXPECT_EQ(inChild([] { return int(acquireInstanceLock(u"korvelapp")); }),
            int(InstanceLock::Created));
  kill(pid, SIGKILL);
}

TEST_F(InstanceLockTest, AnUnusableRuntimeFolderFails) {
  setenv("XDG_RUNTIME_DIR", (runtime_ / "missing").c_str(), 1);
  EXPECT_EQ(acquireInstanceLock(u"korvelapp"), InstanceLock::Failed);
}

// Real X11 windows: needs a display (the test command runs under Xvfb).
class InstanceWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY"))
      GTEST_SKIP() << "no display";
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr))
        << "cannot open the display " << getenv("DISPLAY");
  }

  static GtkWidget* showWindow(const char* title) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_default_size(GTK_WINDOW(window), 200, 100);
    gtk_widget_show(window);
    settle();
    return window;
  }
  static void settle() {
    for (int i = 0; i < 20; ++i) {
      while (gtk_events_pending())
        gtk_main_iteration();
      gdk_display_sync(gdk_display_get_default());
      g_usleep(10000);
    }
  }
};

TEST_F(InstanceWindowTest, FindsOnlyAShownWindowWithTheExactClassAndTitle) {
  // GTK names the class after the program: res_name is the program name.
  const std::u16string windowClass = fromUtf8(g_get_prgname());
  GtkWidget* window = showWindow("Varnet整合客户端");
  WindowHandle found = findVisibleInstanceWindow(windowClass, u"Varnet整合客户端");
  EXPECT_NE(found, nullptr);
  EXPECT_EQ(found,
            reinterpret_cast<WindowHandle>(gdk_x11_window_get_xid(gtk_widget_get_window(window))));
  EXPECT_EQ(findVisibleInstanceWindow(windowClass, u"Varnet整合客户"), nullptr);
  EXPECT_EQ(findVisibleInstanceWindow(windowClass, u"Varnet整合客户端 "), nullptr);
  EXPECT_EQ(findVisibleInstanceWindow(u"OtherClass", u"Varnet整合客户端"), nullptr);

  gtk_widget_hide(window);
  settle();
  EXPECT_EQ(findVisibleInstanceWindow(windowClass, u"Varnet整合客户端"), nullptr);
  gtk_widget_destroy(window);
}

TEST_F(InstanceWindowTest, FocusingRaisesTheWindowAndGivesItTheInputFocus) {
  const std::u16string windowClass = fromUtf8(g_get_prgname());
  GtkWidget* first = showWindow("first");
  GtkWidget* second = showWindow("second");
  WindowHandle handle = findVisibleInstanceWindow(windowClass, u"first");
  ASSERT_NE(handle, nullptr);
  focusInstanceWindow(handle);
  settle();

  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  Window focused = 0;
  int revert = 0;
  XGetInputFocus(display, &focused, &revert);
  EXPECT_EQ(focused, reinterpret_cast<uintptr_t>(handle));
  // Topmost last in the root's stacking order.
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
  ASSERT_GT(count, 0u);
  EXPECT_EQ(children[count - 1], reinterpret_cast<uintptr_t>(handle));
  XFree(children);
  gtk_widget_destroy(first);
  gtk_widget_destroy(second);
}

}  // namespace
}  // namespace varnet::platform
