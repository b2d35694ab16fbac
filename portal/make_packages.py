#!/usr/bin/env python3
"""Writes the demo game packages: one zip archive per game in STORE, each holding a small
program (bin/<id>) and some game data, sized so that unpacking shows a moving progress bar."""

import os
import sys
import zipfile

GAMES = {"starfall": 96, "mossrun": 48, "harbor": 24}  # megabytes of game data

PROGRAM = """#!/bin/sh
# {name}: a stand-in game. It records that it was played, beside itself.
cd "$(dirname "$0")/.."
date > played.txt
echo "{name} is running. (This is the Varnet demo's stand-in game.)"
command -v xmessage >/dev/null && xmessage -center "{name} is running" &
exit 0
"""


def main(store):
    os.makedirs(store, exist_ok=True)
    for game, megabytes in GAMES.items():
        path = os.path.join(store, game + ".zip")
        if os.path.exists(path):
            continue
        with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_STORED) as archive:
            program = zipfile.ZipInfo("bin/" + game)
            program.external_attr = (0o100755 << 16)
            program.create_system = 3  # unix, so that the mode is kept
            archive.writestr(program, PROGRAM.format(name=game.title()))
            archive.writestr("README.txt", "%s, a Varnet demo game.\n" % game.title())
            chunk = os.urandom(1 << 20)
            for i in range(megabytes // 8):
                archive.writestr("data/level%02d.pak" % i, chunk * 8)
        os.replace(path + ".part", path)


if __name__ == "__main__":
    main(sys.argv[1])
