#!/usr/bin/env python3
"""Serves the corpus: one HTTP server per loopback address of
site/hosts.json, static files plus the routes each host declares (redirects,
query-dependent files, answers by User-Agent or Accept), with a request log.

usage: serve.py SITE_DIR LOGFILE
"""

import json
import os
import re
import signal
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

TYPES = {
    ".html": "text/html", ".htm": "text/html", ".css": "text/css",
    ".js": "application/javascript", ".mjs": "application/javascript",
    ".json": "application/json", ".webmanifest": "application/manifest+json",
    ".xml": "application/xml", ".txt": "text/plain",
    ".png": "image/png", ".jpg": "image/jpeg", ".jpeg": "image/jpeg", ".gif": "image/gif",
    ".webp": "image/webp", ".avif": "image/avif", ".svg": "image/svg+xml",
    ".ico": "image/x-icon",
    ".woff2": "font/woff2", ".woff": "font/woff", ".ttf": "font/ttf", ".otf": "font/otf",
    ".eot": "application/vnd.ms-fontobject",
    ".mp4": "video/mp4", ".webm": "video/webm",
    ".pdf": "application/pdf", ".zip": "application/zip",
}

log_lock = threading.Lock()
log_file = None


class Handler(BaseHTTPRequestHandler):
    server_version = "nginx/1.24.0"
    sys_version = ""
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # the JSON log replaces stderr lines
        pass

    def record(self, status, length):
        entry = {"t": round(time.time(), 3), "host": self.server.host_name,
                 "ip": self.server.server_address[0], "method": self.command,
                 "target": self.path, "status": status, "bytes": length,
                 "ua": self.headers.get("User-Agent", ""),
                 "referer": self.headers.get("Referer", "")}
        with log_lock:
            log_file.write(json.dumps(entry, ensure_ascii=False) + "\n")
            log_file.flush()

    def do_HEAD(self):
        self.handle_request(head=True)

    def do_GET(self):
        self.handle_request(head=False)

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        self.send_response(204)
        self.send_header("Content-Length", "0")
        if self.server.conf.get("cors"):
            self.send_header("Access-Control-Allow-Origin", "*")
        self.end_headers()
        self.record(204, 0)

    def send_plain(self, status, text, extra=None, head=False):
        body = text.encode()
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        if not head:
            self.wfile.write(body)
        self.record(status, len(body))

    def handle_request(self, head):
        conf = self.server.conf
        target = self.path
        for route in conf.get("routes", []):
            m = re.match(route["match"], target)
            if not m:
                continue
            if "ua" in route and not re.search(route["ua"], self.headers.get("User-Agent", "")):
                continue
            if "accept" in route and not re.search(route["accept"], self.headers.get("Accept", "")):
                continue
            if "redirect" in route:
                location = m.expand(route["redirect"])
                return self.send_plain(route.get("status", 302), "<a href=\"%s\">moved</a>" % location,
                                       {"Location": location}, head)
            return self.send_file(urllib.parse.unquote(m.expand(route["file"])), route.get("type"),
                                  route.get("headers", {}), head)
        path = urllib.parse.unquote(urllib.parse.urlsplit(target).path, encoding="utf-8")
        full = self.resolve(path)
        if full and os.path.isdir(full):
            if not path.endswith("/"):
                return self.send_plain(301, "moved", {"Location": urllib.parse.quote(path) + "/"}, head)
            path += "index.html"
        return self.send_file(path, None, {}, head)

    def resolve(self, path):
        root = self.server.root
        full = os.path.normpath(os.path.join(root, path.lstrip("/")))
        if full != root and not full.startswith(root + os.sep):
            return None
        return full

    def send_file(self, path, ctype, extra, head):
        full = self.resolve(path)
        if not full or not os.path.isfile(full):
            return self.send_plain(404, "<h1>404 Not Found</h1>", head=head)
        ext = os.path.splitext(full)[1].lower()
        ctype = ctype or TYPES.get(ext, "application/octet-stream")
        if ctype == "text/html" and self.server.conf.get("html_charset"):
            ctype += "; charset=" + self.server.conf["html_charset"]
        elif ctype in ("text/css", "application/javascript") and self.server.conf.get("text_charset"):
            ctype += "; charset=" + self.server.conf["text_charset"]
        with open(full, "rb") as f:
            data = f.read()
        status, first, last = 200, 0, len(data) - 1
        rng = re.match(r"bytes=(\d*)-(\d*)$", self.headers.get("Range", ""))
        if rng and data:
            if rng.group(1):
                first = int(rng.group(1))
                last = min(int(rng.group(2)), last) if rng.group(2) else last
            else:
                first = max(0, len(data) - int(rng.group(2)))
            if first > last:
                return self.send_plain(416, "range", {"Content-Range": "bytes */%d" % len(data)}, head)
            status = 206
        body = data[first:last + 1]
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Last-Modified", "Tue, 11 Mar 2025 08:00:00 GMT")
        self.send_header("Cache-Control", self.server.conf.get("cache", "max-age=600"))
        if ext in (".mp4", ".webm"):
            self.send_header("Accept-Ranges", "bytes")
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, len(data)))
        if self.server.conf.get("cors"):
            self.send_header("Access-Control-Allow-Origin", "*")
            self.send_header("Timing-Allow-Origin", "*")
        for k, v in extra.items():
            self.send_header(k, v)
        self.end_headers()
        if not head:
            self.wfile.write(body)
        self.record(status, len(body))


class HostServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global log_file
    site, log_path = sys.argv[1], sys.argv[2]
    with open(os.path.join(site, "hosts.json"), encoding="utf-8") as f:
        conf = json.load(f)
    log_file = open(log_path, "a", encoding="utf-8")
    servers = []
    for name, h in conf["hosts"].items():
        srv = HostServer((h["ip"], conf["port"]), Handler)
        srv.host_name, srv.conf, srv.root = name, h, os.path.realpath(h["root"])
        servers.append(srv)
        threading.Thread(target=srv.serve_forever, daemon=True).start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    print("serving %d hosts on port %d" % (len(servers), conf["port"]), flush=True)
    stop.wait()
    for srv in servers:  # the serving threads are daemons and end with the process
        srv.server_close()
    log_file.close()


if __name__ == "__main__":
    main()
