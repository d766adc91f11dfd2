#!/usr/bin/env python3
"""A minimal update server for Kerfloom, for trying updates by hand.

Serves the files below DIR: a POST to /update/<application> answers the list
"<relative name>;<crc32 in lower-case hex>" one per line, a POST to
/update/<application>/<relative name> answers the file's bytes. Listens on
127.0.0.1 only.

    python3 scripts/update-server.py DIR [PORT]
    KERFLOOM_BASE_URL=http://127.0.0.1:PORT build/app/Kerfloom
"""
import http.server
import os
import sys
import urllib.parse
import zlib

root = os.path.realpath(sys.argv[1])
port = int(sys.argv[2]) if len(sys.argv) > 2 else 8018


def listing():
    lines = []
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            path = os.path.join(folder, name)
            with open(path, 'rb') as f:
                crc = zlib.crc32(f.read())
            lines.append('%s;%x' % (os.path.relpath(path, root), crc))
    return ('\n'.join(lines) + '\n').encode()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        self.rfile.read(int(self.headers.get('Content-Length', 0)))
        parts = urllib.parse.unquote(self.path).split('/', 3)  # '', 'update', app, name
        body = None
        if len(parts) == 3 and parts[1] == 'update':
            body = listing()
        elif len(parts) == 4 and parts[1] == 'update':
            path = os.path.realpath(os.path.join(root, parts[3]))
            if path.startswith(root + os.sep) and os.path.isfile(path):
                with open(path, 'rb') as f:
                    body = f.read()
        if body is None:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header('Content-Type', 'application/octet-stream')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)


http.server.HTTPServer(('127.0.0.1', port), Handler).serve_forever()
