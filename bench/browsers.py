"""What the browser benchmarks share: the demo portal server, Chromium, the processes of a browser
and their memory.

Memory is read two ways. PSS (proportional set size) is the kernel's figure: each page is split
among every process that maps it. On a machine where other programs run the same libraries (another
WebKit client, someone's tests), our share drops with their activity, so the benchmarks also count
the resident pages of the browser's processes once each: that figure is what the PSS sum comes to
when nothing else maps those pages, and it does not move with the machine's other work. Reading
page frames needs root; without it only PSS is given.
"""

import array
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
PAGE = os.sysconf("SC_PAGE_SIZE")


def wait(predicate, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.01)
    return None


def ensure_display():
    """Re-runs the calling script under Xvfb when there is no display."""
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24", sys.executable,
                               *sys.argv])


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


def chromium_command(browser, url, profile):
    """Chromium in app mode on `url`, as the benchmarks compare it (software rendering)."""
    return [browser, "--app=" + url, "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + profile]


def port_open(port):
    try:
        socket.create_connection(("127.0.0.1", port), 0.2).close()
        return True
    except OSError:
        return False


class Portal:
    """The demo portal server on `port`, serving `site` (the demo's pages by default); the page
    reports its stages (POST /api/stage?name=...) to runtime/stages.log."""

    def __init__(self, port, runtime, site=None):
        if port_open(port):
            raise RuntimeError("port %d is already in use" % port)
        self.log = os.path.join(runtime, "stages.log")
        command = [sys.executable, os.path.join(REPO, "portal", "server.py"), "--port", str(port),
                   "--runtime", runtime]
        if site:
            command += ["--site", site]
        self.process = subprocess.Popen(command, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        if not wait(lambda: port_open(port), 10):
            self.stop()
            raise RuntimeError("the portal server did not start on port %d" % port)

    def stage(self, wanted):
        """(time, detail) of the first report of stage `wanted`, or None."""
        try:
            with open(self.log) as log:
                for line in log:
                    stamp, name, detail = (line.rstrip("\n").split(" ", 2) + [""])[:3]
                    if name == wanted:
                        return float(stamp), detail
        except (OSError, ValueError):
            pass
        return None

    def clear(self):
        open(self.log, "w").close()

    def stop(self):
        self.process.terminate()
        self.process.wait()


def launch(command, cwd, env):
    return subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)


def end(process):
    os.killpg(process.pid, signal.SIGTERM)
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()


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


def process_name(pid):
    """The program's name; Chromium's helpers by their --type (renderer, gpu-process, …)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as cmdline:
            line = cmdline.read().replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        return None
    if "--type=" in line:
        return line.split("--type=", 1)[1].split()[0]
    return os.path.basename(line.split(" ", 1)[0])


def pss_kib(pid):
    try:
        with open("/proc/%d/smaps_rollup" % pid) as rollup:
            for line in rollup:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def resident_frames(pid, frames):
    """Adds the page frames of `pid`'s resident pages to the set `frames`; False when the frames
    cannot be read (not root)."""
    ranges = []
    try:
        with open("/proc/%d/smaps" % pid) as smaps:
            for line in smaps:
                head = line.split(" ", 1)[0]
                if "-" in head and not head.endswith(":"):
                    start, stop = (int(part, 16) for part in head.split("-"))
                elif line.startswith("Rss:") and int(line.split()[1]) > 0:
                    ranges.append((start, stop))
        zero = bytes(64 * 1024)
        with open("/proc/%d/pagemap" % pid, "rb") as pagemap:
            for start, stop in ranges:
                pagemap.seek(start // PAGE * 8)
                left = (stop - start) // PAGE * 8
                while left:
                    chunk = pagemap.read(min(left, len(zero)))
                    if not chunk:
                        break
                    left -= len(chunk)
                    if chunk == zero[:len(chunk)]:
                        continue  # nothing resident in this stretch
                    entries = array.array("Q")
                    entries.frombytes(chunk)
                    for entry in entries:
                        if entry >> 63:  # present
                            frames.add(entry & ((1 << 55) - 1))
    except OSError:
        return True  # the process ended
    return not frames or any(frames)  # without root every frame number reads as 0


def memory(pid):
    """({process name: PSS MiB}, MiB of resident pages counted once or None) for `pid` and its
    descendants."""
    per_process, frames, readable = {}, set(), True
    for each in descendants(pid):
        name = process_name(each)
        if name is None:
            continue
        per_process[name] = per_process.get(name, 0) + pss_kib(each) / 1024
        readable = resident_frames(each, frames) and readable
    once = len(frames) * PAGE / 2**20 if readable and frames else None
    return per_process, once
