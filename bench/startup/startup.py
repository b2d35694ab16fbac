#!/usr/bin/env python3
"""Start-up benchmark: our client against Chromium in app mode, on the same portal page in the
same run.

    startup.py CLIENT PORT [RUNS]

For each run, ours and Chromium in turn: the time from launch to the page's load end (the demo
portal page reports its load to its server), then, with the page loaded and settled, the memory of
all the browser's processes: the sum of their proportional set sizes (PSS), per process and in
all, and the resident pages counted once (see bench/browsers.py). Medians are printed; the last
line reads

    startup: ours X ms Y MiB, chromium Z ms W MiB

with Y and W the PSS sums. Without a display it runs itself under Xvfb. Chromium is installed when
missing.
"""

import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import browsers  # noqa: E402


def measure(portal, command, cwd, env):
    portal.clear()
    started = time.time()
    process = browsers.launch(command, cwd, env)
    loaded = browsers.wait(lambda: portal.stage("loaded"), 60)
    if loaded is None:
        browsers.end(process)
        raise RuntimeError("the page never loaded: " + " ".join(command))
    time.sleep(2)  # let the page settle before memory is read
    per_process, once = browsers.memory(process.pid)
    browsers.end(process)
    time.sleep(0.5)
    return {"ms": (loaded[0] - started) * 1000, "pss": sum(per_process.values()),
            "once": once, "processes": per_process}


def median(runs, key):
    values = [run[key] for run in runs if run[key] is not None]
    return statistics.median(values) if values else None


def process_medians(runs):
    names = sorted({name for run in runs for name in run["processes"]})
    return ", ".join("%s %.0f" % (name, statistics.median(run["processes"].get(name, 0)
                                                         for run in runs)) for name in names)


def main():
    browsers.ensure_display()
    client, port = os.path.abspath(sys.argv[1]), int(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    chromium = browsers.chromium()
    work = tempfile.mkdtemp(prefix="varnet-bench-")
    portal = None
    try:
        portal = browsers.Portal(port, work)
        url = "http://127.0.0.1:%d/login.jsp" % port
        results = {"ours": [], "chromium": []}
        print("machine: %d cores, load %.2f %.2f %.2f" % (os.cpu_count(), *os.getloadavg()))
        for run in range(runs):
            # A fresh folder each run: no warm engine cache on either side.
            ours = os.path.join(work, "client-%d" % run)
            os.makedirs(os.path.join(ours, "home"))
            env = dict(os.environ, HOME=os.path.join(ours, "home"),
                       XDG_RUNTIME_DIR=os.path.join(ours, "home"))
            results["ours"].append(measure(portal, [client], ours, env))
            command = browsers.chromium_command(chromium, url,
                                                os.path.join(work, "chromium-%d" % run))
            results["chromium"].append(measure(portal, command, work, dict(os.environ)))
            print("run %d: ours %.0f ms %.0f MiB, chromium %.0f ms %.0f MiB" % (
                run + 1, results["ours"][-1]["ms"], results["ours"][-1]["pss"],
                results["chromium"][-1]["ms"], results["chromium"][-1]["pss"]), flush=True)
        print("machine load after the runs: %.2f %.2f %.2f" % os.getloadavg())
        for name, values in results.items():
            print("memory of %s (PSS, MiB): %s" % (name, process_medians(values)))
        once = {name: median(values, "once") for name, values in results.items()}
        if None not in once.values():
            print("memory counted once per page: ours %.0f MiB, chromium %.0f MiB (ratio %.2f)" %
                  (once["ours"], once["chromium"], once["ours"] / once["chromium"]))
        time_of = {name: median(values, "ms") for name, values in results.items()}
        pss_of = {name: median(values, "pss") for name, values in results.items()}
        print("ratio: time %.2f, memory %.2f (ours / chromium)" % (
            time_of["ours"] / time_of["chromium"], pss_of["ours"] / pss_of["chromium"]))
        print("startup: ours %.0f ms %.0f MiB, chromium %.0f ms %.0f MiB" % (
            time_of["ours"], pss_of["ours"], time_of["chromium"], pss_of["chromium"]))
    finally:
        if portal:
            portal.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
