#!/usr/bin/env python3
"""The HTTP server of the internet contract tests, on 127.0.0.1 only.

Prints the port it listens on as its first line, then serves until it is killed.
"""
import http.server
import sys
import time

BLOB = bytes((i * 7 + 3) % 256 for i in range(300_000))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    counter = 0

    def log_message(self, *args):
        pass

    def send_body(self, body, status=200, length=True, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        for name, value in extra:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            # Without a length the end of the body is the end of the connection.
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?")[0]
        if path == "/sites/default/files/versibaru.txt":
            self.send_body(b"1.7")
        elif path == "/long.txt":
            self.send_body(b"1.6.12345")
        elif path == "/agent":
            self.send_body(self.headers.get("User-Agent", "").encode("latin-1"))
        elif path == "/counter":
            # Cacheable for an hour: only a request that insists reaches the server again.
            Handler.counter += 1
            self.send_body(str(Handler.counter).encode(), extra=[
                ("Cache-Control", "public, max-age=3600"),
                ("Last-Modified", "Thu, 07 Mar 2013 14:05:09 GMT"),
                ("ETag", '"same"')])
        elif path == "/blob":
            self.send_body(BLOB)
        elif path == "/blob-without-length":
            self.send_body(BLOB, length=False)
        elif path == "/empty":
            self.send_body(b"")
        elif path == "/error500":
            self.send_body(b"<html><body>Internal Server Error</body></html>", status=500)
        elif path == "/dropped":
            # Promises the whole blob, sends half, and hangs up.
            self.send_response(200)
            self.send_header("Content-Length", str(len(BLOB)))
            self.end_headers()
            self.wfile.write(BLOB[: len(BLOB) // 2])
            self.wfile.flush()
            self.close_connection = True
        elif path == "/slow":
            # A trickle that outlasts any test, until the client goes away.
            self.send_response(200)
            self.send_header("Content-Length", str(10_000_000))
            self.end_headers()
            try:
                for _ in range(600):
                    self.wfile.write(b"x" * 100)
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass
            self.close_connection = True
        else:
            self.send_body(b"<html><body>404 Not Found</body></html>", status=404)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
