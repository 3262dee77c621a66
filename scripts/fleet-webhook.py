#!/usr/bin/env python3
"""fleet-webhook.py PORT FILE: a webhook receiver for Alertmanager on the
loopback address that appends each notification to FILE as one JSON line.

Only POST requests with a JSON object of at most 1 MiB are taken; anything
else is refused with a 4xx answer and leaves the file alone."""
import json
import sys
from http.server import BaseHTTPRequestHandler, HTTPServer

MAX_BYTES = 1 << 20


class Receiver(BaseHTTPRequestHandler):
    timeout = 10  # a client that stalls gives up its turn

    def do_POST(self):
        try:
            length = int(self.headers.get("Content-Length", ""))
        except ValueError:
            self.send_error(411, "a length is needed")
            return
        if length < 0 or length > MAX_BYTES:
            self.send_error(413, "at most %d bytes" % MAX_BYTES)
            return
        try:
            notification = json.loads(self.rfile.read(length))
        except ValueError:
            self.send_error(400, "not JSON")
            return
        if not isinstance(notification, dict):
            self.send_error(400, "not a JSON object")
            return
        with open(self.server.log_file, "a", encoding="utf-8") as log:
            log.write(json.dumps(notification, separators=(",", ":")) + "\n")
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, format, *args):
        pass


def main():
    if len(sys.argv) != 3 or not sys.argv[1].isdigit() or not 0 < int(sys.argv[1]) < 65536:
        sys.exit("usage: fleet-webhook.py PORT FILE")
    # One request at a time: each line is written whole before the next.
    server = HTTPServer(("127.0.0.1", int(sys.argv[1])), Receiver)
    server.log_file = sys.argv[2]
    server.serve_forever()


if __name__ == "__main__":
    main()
