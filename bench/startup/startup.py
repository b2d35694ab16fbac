#!/usr/bin/env python3
"""Start-up benchmark: our client against Chromium in app mode, on the same portal page in the
same run.

    startup.py CLIENT PORT [RUNS]

For each browser and run: the time from launch to the page's load end (the demo portal page
reports its load to its server), then, with the page loaded and settled, the memory of all the
browser's processes (the sum of their proportional set sizes, so shared pages count once).
Medians are printed; the last line reads

    startup: ours X ms Y MiB, chromium Z ms W MiB

Without a display it runs itself under Xvfb. Chromium is installed when missing.
"""

import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))


def wait(predicate, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.01)
    return None


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    found, todo = [], [pid]
    while todo:
        current = todo.pop()
        found.append(current)
        todo.extend(children.get(current, []))
    return found


def pss_kib(pid):
    try:
        with open("/proc/%d/smaps_rollup" % pid) as rollup:
            for line in rollup:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    print("Installing chromium…", flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", "chromium"],
                   check=True, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"),
                   stdout=subprocess.DEVNULL)
    return shutil.which("chromium")


class Portal:
    def __init__(self, port, runtime):
        self.log = os.path.join(runtime, "stages.log")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(REPO, "portal", "server.py"), "--port", str(port),
             "--runtime", runtime], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait(lambda: self.up(port), 10)

    @staticmethod
    def up(port):
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return True
        except OSError:
            return False

    def loaded_at(self):
        try:
            with open(self.log) as log:
                for line in log:
                    stamp, name = line.split(" ", 2)[:2]
                    if name == "loaded":
                        return float(stamp)
        except (OSError, ValueError):
            pass
        return None

    def clear(self):
        open(self.log, "w").close()

    def stop(self):
        self.process.terminate()
        self.process.wait()


def measure(portal, command, cwd, env):
    portal.clear()
    started = time.time()
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    loaded = wait(portal.loaded_at, 60)
    if loaded is None:
        os.killpg(process.pid, signal.SIGKILL)
        raise RuntimeError("the page never loaded: " + " ".join(command))
    time.sleep(2)  # let the page settle before memory is read
    memory = sum(pss_kib(pid) for pid in descendants(process.pid)) / 1024
    os.killpg(process.pid, signal.SIGTERM)
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    time.sleep(0.5)
    return (loaded - started) * 1000, memory


def main():
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24", sys.executable,
                               *sys.argv])
    client, port = os.path.abspath(sys.argv[1]), int(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    browser = chromium()
    work = tempfile.mkdtemp(prefix="varnet-bench-")
    try:
        portal = Portal(port, work)
        url = "http://127.0.0.1:%d/login.jsp" % port
        results = {"ours": [], "chromium": []}
        for run in range(runs):
            # A fresh folder each run: no warm engine cache on either side.
            ours = os.path.join(work, "client-%d" % run)
            profile = os.path.join(work, "chromium-%d" % run)
            os.makedirs(os.path.join(ours, "home"))
            env = dict(os.environ, HOME=os.path.join(ours, "home"),
                       XDG_RUNTIME_DIR=os.path.join(ours, "home"))
            results["ours"].append(measure(portal, [client], ours, env))
            chromium_command = [browser, "--app=" + url, "--no-sandbox", "--disable-gpu",
                                "--no-first-run", "--disable-background-networking",
                                "--disable-component-update", "--disable-sync",
                                "--user-data-dir=" + profile]
            results["chromium"].append(measure(portal, chromium_command, work, dict(os.environ)))
            print("run %d: ours %.0f ms %.0f MiB, chromium %.0f ms %.0f MiB" % (
                run + 1, *results["ours"][-1], *results["chromium"][-1]), flush=True)
        portal.stop()
        median = {name: (statistics.median(t for t, _ in values),
                         statistics.median(m for _, m in values))
                  for name, values in results.items()}
        print("ratio: time %.2f, memory %.2f (ours / chromium)" % (
            median["ours"][0] / median["chromium"][0], median["ours"][1] / median["chromium"][1]))
        print("startup: ours %.0f ms %.0f MiB, chromium %.0f ms %.0f MiB" % (
            *median["ours"], *median["chromium"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
