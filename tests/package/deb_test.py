#!/usr/bin/env python3
"""The Linux package, built and unpacked as a user's machine would get it.

    deb_test.py BUILD_DIR PORT

Builds the .deb from BUILD_DIR with CPack, checks its control data and files, unpacks it into a
temp root (dpkg -x) and starts that client (through its launcher, HOME in the temp folder) under
the display of the test run against the test portal page on the client's compiled-in port, far
enough to see the bridge on the page and the installed web extension in use.
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
BUILD, PORT = sys.argv[1], int(sys.argv[2])


def wait(predicate, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    return predicate()


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except FileNotFoundError:
        return ""


class DebianPackageTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.mkdtemp(prefix="varnet-deb-")

    def tearDown(self):
        shutil.rmtree(self.temp, ignore_errors=True)

    def test_the_unpacked_package_runs_the_client_with_its_own_web_extension(self):
        out = os.path.join(self.temp, "out")
        subprocess.run(["cpack", "-G", "DEB", "-B", out, "--config",
                        os.path.join(BUILD, "CPackConfig.cmake")],
                       check=True, capture_output=True, timeout=300)
        debs = [name for name in os.listdir(out) if name.endswith(".deb")]
        self.assertEqual(len(debs), 1, debs)
        deb = os.path.join(out, debs[0])
        self.assertRegex(debs[0], r"^varnet-client_[\d.]+_\w+\.deb$")
        depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], check=True,
                                 capture_output=True, text=True).stdout
        for package in ("libwebkit2gtk-4.1-0", "libgtk-3-0", "libcrypto++8", "p7zip-full"):
            self.assertIn(package, depends)

        root = os.path.join(self.temp, "root")
        subprocess.run(["dpkg", "-x", deb, root], check=True)
        desktop = read(os.path.join(root, "usr/share/applications/varnet-client.desktop"))
        self.assertIn("\nExec=varnet-client\n", desktop)
        self.assertIn("\nIcon=varnet-client\n", desktop)
        self.assertIn("\nStartupWMClass=varnet-client\n", desktop)
        self.assertTrue(os.path.isfile(
            os.path.join(root, "usr/share/icons/hicolor/scalable/apps/varnet-client.svg")))
        cli = subprocess.run([os.path.join(root, "usr/bin/varnet-cli")], capture_output=True,
                             text=True, timeout=30)
        self.assertIn("unpack", cli.stdout + cli.stderr)

        # The test portal page reports whether it sees the bridge.
        runtime = os.path.join(self.temp, "portal")
        os.makedirs(os.path.join(runtime, "store"))
        with socket.socket() as probe:
            self.assertNotEqual(probe.connect_ex(("127.0.0.1", PORT)), 0, "port already served")
        portal = subprocess.Popen(
            [sys.executable, os.path.join(REPO, "portal", "server.py"), "--port", str(PORT),
             "--runtime", runtime, "--site", os.path.join(REPO, "tests", "app", "pages")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        home = os.path.join(self.temp, "home")
        os.makedirs(os.path.join(self.temp, "run"))
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=os.path.join(self.temp, "run"))
        for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
            env.pop(name, None)
        client = None
        try:
            client = subprocess.Popen([os.path.join(root, "usr/bin/varnet-client")], env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            stages = os.path.join(runtime, "stages.log")
            loaded = wait(lambda: "loaded" in read(stages), 30)
            self.assertTrue(loaded, "the page never loaded")
            self.assertRegex(read(stages), r"\bloaded function\b")  # the bridge is there
            # The client runs in the user's own folder and took the installed web extension.
            log = os.path.join(home, ".local/share/varnet-client/log/varnet.log")
            self.assertTrue(wait(lambda: " render[" in read(log), 10), read(log))
            self.assertIn('web extension folder "%s"' % os.path.join(
                root, "usr/lib/varnet-client/webext"), read(log))
        finally:
            if client:
                client.kill()
                client.wait()
            portal.terminate()
            portal.wait()


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
