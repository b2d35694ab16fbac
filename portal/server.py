#!/usr/bin/env python3
"""The demo portal: a small loopback web server for the Varnet client.

Serves the portal's pages from site/ (".jsp" pages as HTML), the demo game packages from the
runtime folder, and the few calls that the page makes to its own server: the portal
configuration (games with their sealed download tasks), the companion downloader's work (the
page hands it a task; here the server plays the download by copying the package into the
package folder), and the walk-through's stage reports and screenshots taken (/api/shot).

    server.py --port 18080 --runtime DIR [--autoplay] [--site DIR] [--commands]

--site serves another folder of pages (the end-to-end tests' pages); --commands adds a queue
through which a test harness hands those pages script to run (/api/command), and a path that
hangs up without an answer (/api/drop).
"""

import argparse
import collections
import http.server
import json
import os
import shutil
import socketserver
import subprocess
import sys
import time
import urllib.parse

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")

GAMES = [
    {"id": "starfall", "name": "Starfall Tactics", "genre": "Strategy", "hue": 212,
     "blurb": "Command a fleet across a collapsing star system."},
    {"id": "mossrun", "name": "Moss Run", "genre": "Platformer", "hue": 140,
     "blurb": "A tiny spore, a vast forest, and a lot of jumping."},
    {"id": "harbor", "name": "Harbor Lights", "genre": "Puzzle", "hue": 28,
     "blurb": "Guide the night ships home by re-wiring the lighthouses."},
]


def seal(text, key):
    """Seals `text` the way the client opens download tasks: AES-128-ECB, PKCS #7, Base64 with a
    line feed after every 72 characters."""
    result = subprocess.run(
        ["openssl", "enc", "-aes-128-ecb", "-nosalt", "-K", key.encode().hex(), "-base64",
         "-A"], input=text.encode(), capture_output=True, check=True)
    body = result.stdout.decode().strip()
    return "".join(body[i:i + 72] + "\n" for i in range(0, len(body), 72))


class Portal:
    def __init__(self, runtime, port, key, autoplay):
        self.runtime = os.path.abspath(runtime)
        self.base = "http://127.0.0.1:%d/" % port
        self.autoplay = autoplay
        self.games = []
        for game in GAMES:
            package = os.path.join(self.runtime, "store", game["id"] + ".zip")
            if not os.path.exists(package):
                continue
            entry = dict(game)
            entry["url"] = self.base + "files/" + game["id"] + ".zip"
            entry["sealedTask"] = seal(entry["url"], key)
            entry["packageFolder"] = os.path.join(self.runtime, "packages", game["id"])
            entry["exe"] = "bin/" + game["id"]
            entry["shortcut"] = game["name"]
            entry["size"] = os.path.getsize(package)
            self.games.append(entry)
        self.stages = os.path.join(self.runtime, "stages.log")
        self.shots = set()  # stages whose walk-through screenshot has been taken

    def config(self):
        return {
            "version": "1.8",
            "installRoot": os.path.join(self.runtime, "games"),
            "autoplay": self.autoplay,
            "games": self.games,
        }

    def fetch(self, url, folder):
        """The companion downloader's part: put the package named by `url` into `folder`."""
        for game in self.games:
            if game["url"] == url:
                os.makedirs(folder, exist_ok=True)
                source = os.path.join(self.runtime, "store", game["id"] + ".zip")
                shutil.copyfile(source, os.path.join(folder, game["id"] + ".zip"))
                return True
        return False


class Handler(http.server.SimpleHTTPRequestHandler):
    site = SITE
    commands = None  # a deque of script texts when --commands is given
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".jsp": "text/html; charset=utf-8", ".js": "text/javascript",
                             ".css": "text/css", ".svg": "image/svg+xml"})
    portal = None

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=self.site, **kwargs)

    def log_message(self, fmt, *args):
        pass

    def send_json(self, value, status=200):
        body = json.dumps(value).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = urllib.parse.urlparse(self.path).path
        if path == "/api/config":
            return self.send_json(self.portal.config())
        if path == "/api/command" and self.commands is not None:
            return self.send_json({"code": self.commands.popleft() if self.commands else ""})
        if path == "/api/shot":
            stage = dict(urllib.parse.parse_qsl(urllib.parse.urlparse(self.path).query)).get("stage")
            return self.send_json({"taken": stage in self.portal.shots})
        if path == "/api/drop" and self.commands is not None:
            self.close_connection = True  # no answer at all: the client's load fails
            return
        if path.startswith("/files/"):
            name = os.path.basename(path)
            file = os.path.join(self.portal.runtime, "store", name)
            if not os.path.isfile(file):
                return self.send_error(404)
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(os.path.getsize(file)))
            self.end_headers()
            with open(file, "rb") as data:
                shutil.copyfileobj(data, self.wfile)
            return
        return super().do_GET()

    def do_POST(self):
        url = urllib.parse.urlparse(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        if url.path == "/api/companion/fetch":
            request = json.loads(body or b"{}")
            ok = self.portal.fetch(request.get("url", ""), request.get("folder", ""))
            return self.send_json({"ok": ok}, 200 if ok else 404)
        if url.path == "/api/companion/quit":
            quit_file = os.path.join(self.portal.runtime, "data", "annex", "httpcurl", "quit")
            if os.path.isdir(os.path.dirname(quit_file)):
                open(quit_file, "w").close()
            return self.send_json({"ok": True})
        if url.path == "/api/command" and self.commands is not None:
            self.commands.append(body.decode())
            return self.send_json({"ok": True})
        if url.path == "/api/shot":
            self.portal.shots.add(query.get("stage", ""))
            return self.send_json({"ok": True})
        if url.path == "/api/stage":
            with open(self.portal.stages, "a") as log:
                log.write("%.3f %s %s\n" % (time.time(), query.get("name", "?"),
                                            body.decode(errors="replace").replace("\n", " ")))
            return self.send_json({"ok": True})
        return self.send_error(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--runtime", required=True)
    parser.add_argument("--key", default="qorvex_mndal4729")
    parser.add_argument("--autoplay", action="store_true")
    parser.add_argument("--site", default=SITE)
    parser.add_argument("--commands", action="store_true")
    args = parser.parse_args()
    Handler.site = os.path.abspath(args.site)
    if args.commands:
        Handler.commands = collections.deque()
    Handler.portal = Portal(args.runtime, args.port, args.key, args.autoplay)
    server = Server(("127.0.0.1", args.port), Handler)
    print("portal: serving %s" % Handler.portal.base, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
