#!/usr/bin/env python3
"""The house rules that a build cannot see, checked on the source tree:

  1. Dependencies run one way. A file of src/ includes files of its own folder or of a lower
     layer: app -> browser, bridge -> install, identity, companion -> archive, engine ->
     platform. Folders of one layer may include each other one way only (the folder graph has
     no cycle). A port's adapter (src/engine/webkit, src/engine/cef) sits in the engine's layer
     and is included only by itself and by the entry points in src/app.
  2. A file of src/ holds one idea: at most MAX_LINES lines.
  3. Comments and documents say what the code does, never which section of a design text it
     implements.

    house_check.py [SOURCE_ROOT]      prints each breach; exit status 1 when there is one
"""

import os
import re
import subprocess
import sys

MAX_LINES = 400

LAYERS = {
    "platform": 0,
    "archive": 1, "engine": 1,
    "install": 2, "identity": 2, "companion": 2,
    "browser": 3, "bridge": 3,
    "app": 4,
}
PORT_ADAPTERS = ("engine/webkit", "engine/cef")
C_LIKE = (".h", ".cpp", ".cc", ".c", ".in", ".js", ".ts", ".jsp", ".css", ".rc")
HASH_LIKE = (".txt", ".cmake", ".py", ".sh", ".yml", ".yaml", ".toml")
PROSE = (".md",)

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SECTION_NAMES = [
    re.compile(r"\bParts?\b"),
    re.compile(r"\bpart\s+[1-9]\.[0-9]", re.I),
    re.compile(r"\bspec(ification)?s?\b", re.I),
]
THIS_FILE = "scripts/house_check.py"


def tracked_files(root):
    """The files under version control; outside a checkout, every file but the build trees."""
    try:
        out = subprocess.run(["git", "-C", root, "ls-files", "-z"], capture_output=True,
                             check=True)
        return [path for path in out.stdout.decode().split("\0") if path]
    except (OSError, subprocess.CalledProcessError):
        found = []
        for folder, subfolders, files in os.walk(root):
            subfolders[:] = [d for d in subfolders
                             if not d.startswith((".git", "build")) and d != "node_modules"]
            found += [os.path.relpath(os.path.join(folder, name), root) for name in files]
        return found


def node_of(folder):
    """A folder of src/ as a node of the dependency graph: its top folder, or a port adapter."""
    for adapter in PORT_ADAPTERS:
        if folder == adapter or folder.startswith(adapter + "/"):
            return adapter
    return folder.split("/")[0]


def layer_of(node):
    return LAYERS.get(node.split("/")[0])


def include_breach(node, target):
    if target in PORT_ADAPTERS and node != target and node != "app":
        return "a port's adapter is included only by itself and by the entry points in src/app"
    if layer_of(target) > layer_of(node):
        return "%s/ is above %s/ (app -> browser, bridge -> install, identity, companion -> " \
               "archive, engine -> platform)" % (target, node)
    return None


def comments(path, text):
    """(line number, text) of each comment line; every line of a document."""
    lines = text.splitlines()
    if path.endswith(PROSE):
        return list(enumerate(lines, 1))
    name = os.path.basename(path)
    if path.endswith(C_LIKE):
        found, in_block = [], False
        for number, line in enumerate(lines, 1):
            if in_block:
                found.append((number, line))
                in_block = "*/" not in line
                continue
            line_comment, block = line.find("//"), line.find("/*")
            if block >= 0 and (line_comment < 0 or block < line_comment):
                found.append((number, line[block:]))
                in_block = "*/" not in line[block + 2:]
            elif line_comment >= 0:
                found.append((number, line[line_comment:]))
        return found
    if path.endswith(HASH_LIKE) or name == "CMakeLists.txt" or "." not in name:
        return [(number, line[line.find("#"):]) for number, line in enumerate(lines, 1)
                if "#" in line]
    return []


def find_cycle(edges):
    """One cycle of the folder graph as a list of nodes, or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        for target in sorted(edges.get(node, ())):
            if state.get(target) == "open":
                return path[path.index(target):] + [target]
            if target not in state:
                cycle = visit(target, path + [target])
                if cycle:
                    return cycle
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            cycle = visit(node, [node])
            if cycle:
                return cycle
    return None


def check(root):
    breaches, edges = [], {}
    for path in tracked_files(root):
        if path == THIS_FILE:
            continue
        try:
            with open(os.path.join(root, path), encoding="utf-8") as source:
                text = source.read()
        except (UnicodeDecodeError, FileNotFoundError, IsADirectoryError):
            continue
        if path.startswith("src/") and path.endswith(C_LIKE):
            node = node_of(os.path.dirname(path[len("src/"):]))
            for match in INCLUDE.finditer(text) if layer_of(node) is not None else ():
                target_folder = os.path.dirname(match.group(1))
                target = node_of(target_folder) if target_folder else None
                if target is None or layer_of(target) is None or target == node:
                    continue  # config.h, a header of its own folder, a library's header
                edges.setdefault(node, set()).add(target)
                why = include_breach(node, target)
                if why:
                    line = text.count("\n", 0, match.start()) + 1
                    breaches.append("%s:%d: includes %s: %s" % (path, line, match.group(1), why))
            lines = len(text.splitlines())
            if lines > MAX_LINES:
                breaches.append("%s: %d lines, more than %d: split it by idea"
                                % (path, lines, MAX_LINES))
        for number, comment in comments(path, text):
            if any(pattern.search(comment) for pattern in SECTION_NAMES):
                breaches.append("%s:%d: names a section of the design text (say what the code "
                                "does instead): %s" % (path, number, comment.strip()))
    cycle = find_cycle(edges)
    if cycle:
        breaches.append("src/: the folders include each other in a cycle: " + " -> ".join(cycle))
    return breaches


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else \
        os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    breaches = check(root)
    for breach in breaches:
        print(breach)
    print("house check: %d breach(es)" % len(breaches) if breaches else "house check: clean")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
