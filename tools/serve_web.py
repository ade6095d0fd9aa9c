#!/usr/bin/env python3
"""Serves a folder made by `kelc --web` on 127.0.0.1 with the headers its threads need.

    python3 tools/serve_web.py FOLDER [PORT]

A page that runs threads must be cross-origin isolated: every response carries
Cross-Origin-Opener-Policy: same-origin and Cross-Origin-Embedder-Policy: require-corp.
PORT 0 (the default) takes a free port; the address is printed on the first line.
"""
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript',
                      '.data': 'application/octet-stream'}

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    handler = functools.partial(Handler, directory=sys.argv[1])
    server = http.server.ThreadingHTTPServer(('127.0.0.1', port), handler)
    print('Open http://127.0.0.1:%d/ (Ctrl+C stops the server)' % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
