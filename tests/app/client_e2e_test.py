#!/usr/bin/env python3
"""End-to-end tests of the real client (varnet-client on WebKitGTK) under X11 (Xvfb).

    client_e2e_test.py CLIENT MARKER_PROGRAM PORT [SHOTS_DIR]

Each test starts the client in a temp folder of its own (HOME, XDG folders, PATH with a
recording xdg-open, a fake companion downloader made from MARKER_PROGRAM) against the test
portal page (tests/app/pages/login.jsp) served on the client's compiled-in loopback port, and
inspects it from outside: X11 window queries, synthetic input (xdotool), screenshots, and what
the page reports to its server.
"""

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
CLIENT, MARKER, PORT = sys.argv[1], sys.argv[2], int(sys.argv[3])
SHOTS = sys.argv[4] if len(sys.argv) > 4 else None
TITLE = "Varnet整合客户端"


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout


def screen_size():
    match = re.search(r"dimensions:\s+(\d+)x(\d+)", run("xdpyinfo"))
    return int(match.group(1)), int(match.group(2))


def geometry(window):
    info = run("xwininfo", "-id", window)
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
    return (get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"),
            get("Height"), "IsViewable" in info)


def pixel(image, x, y):
    out = run("convert", image, "-format", "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]",
              "-crop", "1x1+%d+%d" % (x, y), "info:")
    return tuple(int(v) for v in out.split(","))


def wait(predicate, seconds=15.0, step=0.05):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Portal:
    """The test portal's server (portal/server.py with the test pages and a command queue)."""

    def __init__(self, port, runtime):
        self.port, self.runtime = port, runtime
        os.makedirs(os.path.join(runtime, "store"), exist_ok=True)
        self.log = os.path.join(runtime, "stages.log")
        if self.up():
            raise RuntimeError("port %d is already served by someone else" % port)
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(REPO, "portal", "server.py"), "--port", str(port),
             "--runtime", runtime, "--site", os.path.join(HERE, "pages"), "--commands"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait(self.up, 10)

    def up(self):
        try:
            socket.create_connection(("127.0.0.1", self.port), 0.2).close()
            return True
        except OSError:
            return False

    def stop(self):
        self.process.terminate()
        self.process.wait()

    def stages(self, name=None):
        try:
            with open(self.log) as log:
                lines = [line.rstrip("\n").split(" ", 2) for line in log]
        except FileNotFoundError:
            return []
        entries = [(float(parts[0]), parts[1], parts[2] if len(parts) > 2 else "")
                   for parts in lines if len(parts) >= 2]
        return [entry for entry in entries if name is None or entry[1] == name]

    def clear(self):
        open(self.log, "w").close()

    def command(self, code):
        import urllib.request
        urllib.request.urlopen(urllib.request.Request(
            "http://127.0.0.1:%d/api/command" % self.port, data=code.encode(), method="POST"))

    def evaluate(self, code, seconds=10):
        before = len(self.stages("result"))
        self.command(code)
        results = wait(lambda: self.stages("result")[before:], seconds)
        return results[0][2] if results else None


class ClientTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.serverRoot = tempfile.mkdtemp(prefix="varnet-e2e-portal-")
        cls.portal = Portal(PORT, cls.serverRoot)

    @classmethod
    def tearDownClass(cls):
        cls.portal.stop()
        shutil.rmtree(cls.serverRoot, ignore_errors=True)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="varnet-e2e-")
        self.cwd = os.path.join(self.root, "client")
        companion = os.path.join(self.cwd, "data", "annex", "httpcurl")
        os.makedirs(companion)
        shutil.copy(MARKER, os.path.join(companion, "httpcurl.exe"))
        for folder in ("home/Desktop", "runtime", "bin"):
            os.makedirs(os.path.join(self.root, folder))
        with open(os.path.join(self.root, "bin", "xdg-open"), "w") as opener:
            opener.write("#!/bin/sh\necho \"$@\" >> '%s/xdg-open.ran'\n" % self.root)
        os.chmod(os.path.join(self.root, "bin", "xdg-open"), 0o755)
        self.env = dict(os.environ, HOME=os.path.join(self.root, "home"),
                        XDG_RUNTIME_DIR=os.path.join(self.root, "runtime"),
                        XDG_CONFIG_HOME=os.path.join(self.root, "home", ".config"),
                        XDG_DATA_HOME=os.path.join(self.root, "home", ".local", "share"),
                        PATH=os.path.join(self.root, "bin") + ":" + os.environ["PATH"])
        self.env.pop("VARNET_TEST_LINGER_MS", None)
        # A companion started with linger_until=True runs until this file exists.
        self.release = os.path.join(self.root, "companion-may-go")
        self.clients = []
        self.portal.clear()

    def tearDown(self):
        open(self.release, "w").close()
        for client in self.clients:
            if client.poll() is None:
                client.kill()
                client.wait()
        # The fake companion lingers at most a few seconds; let it go before the folder does.
        time.sleep(0.2)
        shutil.rmtree(self.root, ignore_errors=True)

    def start(self, *args, linger_ms=None, linger_until=False, wait_loaded=True):
        env = dict(self.env)
        if linger_ms is not None:
            env["VARNET_TEST_LINGER_MS"] = str(linger_ms)
        if linger_until:
            env["VARNET_TEST_LINGER_UNTIL"] = self.release
        client = subprocess.Popen([CLIENT, *args], cwd=self.cwd, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.clients.append(client)
        if wait_loaded:
            self.assertTrue(wait(lambda: self.portal.stages("loaded"), 20), "page never loaded")
        return client

    def main_windows(self):
        found = run("xdotool", "search", "--onlyvisible", "--class", "varnet-client").split()
        return [w for w in found if run("xdotool", "getwindowname", w).strip() == TITLE]

    def main_window(self):
        windows = wait(self.main_windows, 10)
        self.assertEqual(len(windows), 1)
        return windows[0]

    def shot(self, name):
        path = os.path.join(SHOTS or self.root, name + ".png")
        run("import", "-window", "root", path)
        return path

    # --- the main window ---

    def test_main_window_is_frameless_centred_and_rounded(self):
        client = self.start()
        window = self.main_window()
        width, height = screen_size()
        x, y, w, h, viewable = geometry(window)
        self.assertEqual((x, y, w, h), ((width - 1728) // 2, (height - 972) // 2, 1728, 972))
        self.assertTrue(viewable)
        hints = run("xprop", "-id", window, "_MOTIF_WM_HINTS")
        self.assertRegex(hints, r"= 0x2, 0x0, 0x0")  # decorations asked for: none
        # The page is white; outside the rounded corners the black root shows through.
        centre = (x + w // 2, y + h // 2)
        painted = lambda: pixel(self.shot("main-window"), *centre) == (255, 255, 255)
        self.assertTrue(wait(painted, 10, 0.3), "the page was never painted")
        image = self.shot("main-window")
        for cx, cy in ((x, y), (x + w - 1, y), (x, y + h - 1), (x + w - 1, y + h - 1)):
            self.assertEqual(pixel(image, cx, cy), (0, 0, 0), (cx, cy))
        for cx, cy in ((x + 5, y), (x, y + 5), (x + 5, y + 5), (x + w // 2, y + h // 2)):
            self.assertEqual(pixel(image, cx, cy), (255, 255, 255), (cx, cy))
        # Page titles never reach the native window.
        self.portal.evaluate("document.title = 'Another title'")
        time.sleep(0.3)
        self.assertEqual(run("xdotool", "getwindowname", window).strip(), TITLE)
        self.assertEqual(self.portal.stages("loaded")[0][2], "function")  # the bridge is there
        # Drawn in software, the client's own process has loaded no GL driver.
        with open("/proc/%d/maps" % client.pid) as maps:
            self.assertNotRegex(maps.read(), r"_dri\.so|libEGL_mesa|libGLX_mesa")

    def test_caption_drag_moves_by_the_cursors_travel_from_a_press_above_y_100(self):
        self.start()
        window = self.main_window()
        x, y, *_ = geometry(window)
        run("xdotool", "mousemove", str(x + 600), str(y + 99))
        run("xdotool", "mousedown", "1")
        for step in range(1, 6):
            run("xdotool", "mousemove", str(x + 600 + 20 * step), str(y + 99 - 10 * step))
        run("xdotool", "mouseup", "1")
        self.assertTrue(wait(lambda: geometry(window)[:2] == (x + 100, y - 50), 5),
                        geometry(window))
        # The page still got the press and the release.
        self.assertTrue(wait(lambda: self.portal.stages("mouseup"), 5))
        self.assertEqual(self.portal.stages("mousedown")[0][2], "0 99")

        x, y = x + 100, y - 50
        run("xdotool", "mousemove", str(x + 600), str(y + 100))
        run("xdotool", "mousedown", "1")
        run("xdotool", "mousemove", str(x + 700), str(y + 200))
        run("xdotool", "mouseup", "1")
        time.sleep(0.5)
        self.assertEqual(geometry(window)[:2], (x, y))
        # Moving with no button held moves nothing either.
        run("xdotool", "mousemove", str(x + 600), str(y + 10))
        run("xdotool", "mousemove", str(x + 650), str(y + 60))
        time.sleep(0.3)
        self.assertEqual(geometry(window)[:2], (x, y))

    def test_no_context_menu_on_the_page(self):
        self.start()
        window = self.main_window()
        x, y, *_ = geometry(window)
        viewable = lambda: sorted(run("xdotool", "search", "--onlyvisible", "--maxdepth", "1",
                                      "--name", ".*").split())
        shown = viewable()
        run("xdotool", "mousemove", str(x + 400), str(y + 400), "click", "3")
        self.assertTrue(wait(lambda: self.portal.stages("contextmenu"), 5))
        time.sleep(0.7)
        self.assertEqual(viewable(), shown)

    # --- the single-instance rule ---

    def test_a_second_plain_launch_hands_the_focus_to_the_first_and_exits_0(self):
        self.start()
        window = self.main_window()
        root = re.search(r"Window id: (0x[0-9a-f]+)", run("xwininfo", "-root")).group(1)
        run("xdotool", "windowfocus", root)
        second = subprocess.run([CLIENT], cwd=self.cwd, env=self.env, timeout=20,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(int(run("xdotool", "getwindowfocus").strip()), int(window))
        self.assertEqual(self.main_windows(), [window])

    def test_any_argument_skips_the_rule_and_opens_a_second_window(self):
        self.start()
        self.main_window()
        self.portal.clear()
        self.start("--some-switch")
        self.assertEqual(len(wait(lambda: len(self.main_windows()) == 2 and self.main_windows(), 10)), 2)

    def test_without_a_display_it_says_so_and_ends_before_the_lock_and_the_companion(self):
        lock = os.path.join(self.root, "runtime", "korvelapp.lock")
        ran = os.path.join(self.cwd, "data", "annex", "httpcurl", "httpcurl.exe.ran")
        for display in (None, ":4321"):
            env = dict(self.env)
            env.pop("WAYLAND_DISPLAY", None)
            env.pop("DISPLAY", None)
            if display:
                env["DISPLAY"] = display
            result = subprocess.run([CLIENT], cwd=self.cwd, env=env, capture_output=True,
                                    text=True, timeout=20)
            self.assertEqual(result.returncode, 2, result.stderr)
            self.assertIn("cannot open the display " + (display or "(DISPLAY is not set)"),
                          result.stderr)
            self.assertFalse(os.path.exists(lock), "the instance lock was taken")
            self.assertFalse(os.path.exists(ran), "the companion was started")

    # --- closing ---

    def test_a_page_close_tells_the_page_and_ends_with_0_once_the_companion_has_gone(self):
        client = self.start(linger_until=True)  # the first instance starts the fake companion
        ran = os.path.join(self.cwd, "data", "annex", "httpcurl", "httpcurl.exe.ran")
        self.assertTrue(wait(lambda: os.path.exists(ran), 5), "companion not started")
        self.portal.command("window.close()")
        self.assertTrue(wait(lambda: self.portal.stages("shutdown"), 5), "no web_rpc_shutdown")
        gone = wait(lambda: not self.main_windows(), 5)
        if not gone:
            print(run("xwininfo", "-root", "-tree"), client.poll(), file=sys.stderr)
        self.assertTrue(gone)
        time.sleep(1.5)  # the exit watcher has asked more than once
        self.assertIsNone(client.poll(), "ended while the companion still ran")
        open(self.release, "w").close()
        self.assertEqual(client.wait(timeout=10), 0)

    def test_a_posted_close_hides_at_once_and_ends_the_loop(self):
        client = self.start()
        window = self.main_window()
        self.portal.command("cb_onsysmenu(2)")
        self.assertIn(client.wait(timeout=10), (0, 1))
        self.assertTrue(self.portal.stages("shutdown"))
        del window

    # --- engine downloads ---

    def write_update(self, name, megabytes=4):
        path = os.path.join(self.serverRoot, "store", name)
        with open(path, "w") as script:
            script.write("#!/bin/sh\ndate +%s.%N > started\npwd >> started\nexit 0\n")
            script.write(("#" * 1023 + "\n") * 1024 * megabytes)
        return path

    def test_an_update_download_reports_progress_then_runs_the_package_then_closes(self):
        self.write_update("update.exe")
        os.makedirs(os.path.join(self.cwd, "download"))
        with open(os.path.join(self.cwd, "download", "update.exe"), "w") as old:
            old.write("old")
        client = self.start()
        self.portal.command("location.href = '/files/update.exe'")
        code = client.wait(timeout=30)
        closed = time.time()
        self.assertIn(code, (0, 1))
        reports = self.portal.stages("flashprogress")
        self.assertEqual(len(reports), 1, "the page never heard flashprogress(-1,-1,-1)")
        heard = reports[0][0]
        progress = reports[0][2].split(" ")
        self.assertGreaterEqual(len(progress), 2)
        self.assertEqual(progress[-1], "-1,-1,-1")
        total = 4 * 1024 * 1024 + len("#!/bin/sh\ndate +%s.%N > started\npwd >> started\nexit 0\n")
        for numbers in progress[:-1]:
            received, size, speed = (int(n) for n in numbers.split(","))
            self.assertEqual(size, total)
            self.assertLessEqual(received, total)
        package = os.path.join(self.cwd, "download", "update.exe")
        marker = os.path.join(self.cwd, "download", "started")
        def started():
            with open(marker) as lines:
                return len(lines.read().split("\n")) > 2
        self.assertTrue(wait(lambda: os.path.exists(marker) and started(), 5), "package not started")
        with open(marker) as lines:
            folder = lines.read().split("\n")[1]
        self.assertEqual(folder, os.path.join(self.cwd, "download"))
        # The page ran flashprogress(-1,-1,-1), whose report reached the server, before the client
        # closed. The package was started before the close too, but its first command may run
        # after the client has gone: it has a program to start first.
        self.assertLessEqual(heard, closed)
        self.assertEqual(os.path.getsize(package), total)

    def test_a_foreign_download_is_refused(self):
        other = Portal(free_port(), os.path.join(self.root, "elsewhere"))
        try:
            shutil.copy(self.write_update("evil.exe", 1), os.path.join(other.runtime, "store"))
            client = self.start()
            self.portal.command("cb_openurl('http://127.0.0.1:%d/files/evil.exe')" % other.port)
            self.portal.command("location.href = 'http://127.0.0.1:%d/files/evil.exe'" % other.port)
            time.sleep(3)
            self.assertIsNone(client.poll())
            self.assertFalse(self.portal.stages("flashprogress"))
            download = os.path.join(self.cwd, "download")
            self.assertFalse(os.path.exists(download) and os.listdir(download))
        finally:
            other.stop()

    # --- load errors ---

    def test_a_failed_load_shows_the_error_page_with_escaped_text(self):
        self.start()
        window = self.main_window()
        x, y, w, h, _ = geometry(window)
        # A portal address whose server hangs up without an answer (a foreign one never loads).
        self.portal.command("location.href = '/api/drop?<b>bold</b>'")
        time.sleep(3)
        image = self.shot("error-page")
        run("convert", image, "-crop", "%dx%d+%d+%d" % (w, 160, x, y), os.path.join(SHOTS or self.root, "error-page-top.png"))
        self.assertEqual(run("xdotool", "getwindowname", window).strip(), TITLE)
        self.assertEqual(pixel(image, x + w // 2, y + h // 2), (255, 255, 255))
        # The page's own timers outlive document.open, so it can still tell what it shows: the
        # address and the error as text, no markup of theirs.
        heading = self.portal.evaluate("document.querySelector('h2').textContent + '|' + "
                                       "document.querySelectorAll('b').length")
        self.assertIsNotNone(heading)
        self.assertRegex(heading, r"^Failed to load URL http://127\.0\.0\.1:\d+/.* with error .+ \(-?\d+\)\.\|0$")

    # --- the support log ---

    def test_the_support_log_tells_what_a_run_did_and_keeps_secrets_out(self):
        sys.path.insert(0, os.path.join(REPO, "portal"))
        from server import seal
        password, wrong = "pw-Secret-7731", "pw-Wrong-9917"
        task = "http://127.0.0.1:%d/files/task-Secret-4242.zip" % PORT
        content, package, games = (os.path.join(self.root, n) for n in ("content", "pkg", "games"))
        os.makedirs(os.path.join(content, "bin"))
        os.makedirs(package)
        with open(os.path.join(content, "bin", "game"), "w") as game:
            game.write("#!/bin/sh\ntouch played\n")
        os.chmod(os.path.join(content, "bin", "game"), 0o755)
        subprocess.run(["7z", "a", "-p" + password, os.path.join(package, "game.zip"), "bin"],
                       cwd=content, check=True, capture_output=True)
        # cb_shutdown runs "shutdown" from PATH: this test's stand-in, never the real one.
        fake_shutdown = os.path.join(self.root, "bin", "shutdown")
        with open(fake_shutdown, "w") as fake:
            fake.write("#!/bin/sh\necho \"$@\" > '%s/shutdown.ran'\n" % self.root)
        os.chmod(fake_shutdown, 0o755)
        self.assertEqual(subprocess.run(["sh", "-c", "command -v shutdown"], env=self.env,
                                        capture_output=True, text=True).stdout.strip(),
                         fake_shutdown)

        client = self.start()
        js = json.dumps  # a JavaScript string literal
        evaluate = self.portal.evaluate
        ticket = evaluate("window.ticket = cb_maketick()")  # each ticket differs: this one is kept
        self.assertGreater(len(ticket or ""), 20)
        evaluate("cb_download('', %s, '0')" % js(seal(task, "qorvex_mndal4729")))
        self.assertTrue(wait(lambda: self.portal.stages("task"), 10), "no download task")
        self.assertIn("task-Secret-4242", self.portal.stages("task")[0][2])

        def unzip(secret):
            evaluate("cb_unzip(%s, %s, 'Game', '', 'bin/game', 2, %s)"
                     % (js(games + "/"), js(package), js(secret)))
            return wait(lambda: evaluate("cb_getunzipprogress()") in ("100", "-100"), 20) and \
                evaluate("cb_getunzipprogress()")
        os.makedirs(games)
        self.assertEqual(unzip(wrong), "-100")
        self.assertEqual(unzip(password), "100")
        evaluate("cb_rungame(%s)" % js(games + "/game/bin/game"))
        evaluate("cb_opendir(%s)" % js(games))
        evaluate("cb_flashcache()")
        evaluate("cb_deletepath(%s)" % js(os.path.join(self.root, "scratch")))
        evaluate("cb_unsetup(%s, 'Game', '', '')" % js(games + "/game"))
        evaluate("location.href = 'http://127.0.0.1:%d/elsewhere?' + encodeURIComponent(ticket), 1"
                 % free_port())
        evaluate("cb_shutdown()")
        self.assertTrue(wait(lambda: os.path.exists(os.path.join(self.root, "shutdown.ran")), 5))
        self.portal.command("location.href = '/api/drop?' + encodeURIComponent(ticket)")
        time.sleep(2)
        self.portal.command("cb_onsysmenu(2)")
        self.assertIn(client.wait(timeout=20), (0, 1))

        with open(os.path.join(self.cwd, "log", "varnet.log"), encoding="utf-8") as log:
            text = log.read()
        for event in ("browser[", "render[", "info start version=", 'engine="WebKitGTK ',
                      "portal=http://127.0.0.1:%d/" % PORT, "command line: (empty)",
                      "companion launched", "render process started",
                      'page load ended "http://127.0.0.1:%d/login.jsp" status 200' % PORT,
                      "download task mode=0: to the page, folder", "with password",
                      "unzip failed (wrong-password)", 'unzip done "%s/game"' % games,
                      'rungame "%s/game/bin/game"' % games, 'opendir "%s"' % games, "flashcache",
                      "deletepath", 'unsetup folder="%s/game"' % games,
                      "navigation refused", "shutdown: the page",
                      "load error", "close asked by the page", "close posted to the main window"):
            self.assertIn(event, text)
        self.assertRegex(text, r"message loop ended|companion gone")
        pieces = [piece for piece in ticket.split() if len(piece) >= 12]
        for secret in [password, wrong, "task-Secret-4242"] + pieces + [
                urllib.parse.quote(piece, safe="") for piece in pieces]:
            self.assertNotIn(secret, text)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[5:])
