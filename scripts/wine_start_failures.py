#!/usr/bin/env python3
"""Reads a CTest JUnit report and sorts its failed cases: those whose program never started
(Wine now and then fails to start one: no GoogleTest output at all) and those that ran and
failed (a fault).

    wine_start_failures.py REPORT.xml

Prints a CTest -R pattern of the cases that never started; exit status 0 when those are all the
failures, 1 when a case ran and failed.
"""

import re
import sys
import xml.etree.ElementTree as ElementTree


def main():
    report = ElementTree.parse(sys.argv[1]).getroot()
    not_started, faults = [], []
    for case in report.iter("testcase"):
        if case.get("status") not in ("fail", "failure") and case.find("failure") is None:
            continue
        output = "".join(node.text or "" for node in case.iter("system-out"))
        (faults if "[ RUN      ]" in output else not_started).append(case.get("name"))
    for name in faults:
        print("failed: " + name, file=sys.stderr)
    if not_started:
        print("^(" + "|".join(re.escape(name) for name in not_started) + ")$")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
