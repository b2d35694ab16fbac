#!/usr/bin/env python3
"""Frame-rate benchmark: a CSS animation and a scroll through a long game list in the portal's
style (frames.html), timed by requestAnimationFrame inside the page, in our client as built, in
our client with WebKit's hardware acceleration handed back (WEBKIT_DISABLE_COMPOSITING_MODE=0),
and in Chromium in app mode, in turn in each run.

    frames.py CLIENT PORT [RUNS]

The page replaces the portal's start page on a demo server of its own. Medians are printed; the
last line reads

    frames: animation ours A fps, accelerated B fps, chromium C fps; scroll ours …

Without a display it runs itself under Xvfb (where GL is software rendering).
"""

import json
import os
import shutil
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
import browsers  # noqa: E402

PHASES = ("animation", "scroll")


def site(work):
    """The demo portal's pages with the benchmark page as the start page."""
    folder = os.path.join(work, "site")
    shutil.copytree(os.path.join(browsers.REPO, "portal", "site"), folder)
    shutil.copyfile(os.path.join(HERE, "frames.html"), os.path.join(folder, "login.jsp"))
    return folder


def measure(portal, command, cwd, env):
    portal.clear()
    process = browsers.launch(command, cwd, env)
    report = browsers.wait(lambda: portal.stage("frames"), 90)
    browsers.end(process)
    time.sleep(0.5)
    if report is None:
        raise RuntimeError("no frame report from: " + " ".join(command))
    return json.loads(report[1])


def main():
    browsers.ensure_display()
    client, port = os.path.abspath(sys.argv[1]), int(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    chromium = browsers.chromium()
    work = tempfile.mkdtemp(prefix="varnet-frames-")
    portal = None
    try:
        portal = browsers.Portal(port, work, site(work))
        url = "http://127.0.0.1:%d/login.jsp" % port
        results = {"ours": [], "accelerated": [], "chromium": []}
        print("machine: %d cores, load %.2f %.2f %.2f" % (os.cpu_count(), *os.getloadavg()))
        for run in range(runs):
            for name, extra in (("ours", {}), ("accelerated", {"WEBKIT_DISABLE_COMPOSITING_MODE": "0"})):
                folder = os.path.join(work, "%s-%d" % (name, run))
                os.makedirs(os.path.join(folder, "home"))
                env = dict(os.environ, HOME=os.path.join(folder, "home"),
                           XDG_RUNTIME_DIR=os.path.join(folder, "home"), **extra)
                results[name].append(measure(portal, [client], folder, env))
            command = browsers.chromium_command(chromium, url,
                                                os.path.join(work, "chromium-%d" % run))
            results["chromium"].append(measure(portal, command, work, dict(os.environ)))
            print("run %d: " % (run + 1) + "; ".join(
                "%s %s" % (name, ", ".join("%s %.1f fps (p95 %.0f ms, %d over 50 ms)" % (
                    phase, values[-1][phase]["fps"], values[-1][phase]["p95"],
                    values[-1][phase]["long"]) for phase in PHASES))
                for name, values in results.items()), flush=True)
        print("machine load after the runs: %.2f %.2f %.2f" % os.getloadavg())
        fps = {(name, phase): statistics.median(run[phase]["fps"] for run in values)
               for name, values in results.items() for phase in PHASES}
        print("frames: " + "; ".join(
            "%s ours %.1f fps, accelerated %.1f fps, chromium %.1f fps" % (
                phase, fps["ours", phase], fps["accelerated", phase], fps["chromium", phase])
            for phase in PHASES))
    finally:
        if portal:
            portal.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
