#!/usr/bin/env python3
"""The update tests' server on 127.0.0.1: one made-up maker's site per first path part.

/v17, /v16, /v15, /v110 serve those versions; /long a longer text; /empty no body;
/missing a 404; /e500 a 500 with a body; /slow answers late; /dropped hangs up mid-body;
/silent closes without answering; /stall accepts and never answers. Under /pkg the download counter checks its raw query
and redirects to a package of several megabytes; /pkgempty, /pkg500, /pkgdrop fail.
Prints the port on its first line, then serves until it is killed.
"""
import http.server
import sys
import time

VERSIONS = {"v17": b"1.7", "v16": b"1.6", "v15": b"1.5", "v110": b"1.10",
            "long": b"1.6.12345", "empty": b"", "slow": b"1.7", "dropped": b"1.7",
            "pkg": b"1.7", "pkg500": b"1.7", "pkgdrop": b"1.7"}
PACKAGE = bytes((i * 31 + 7) % 251 for i in range(3 * 1024 * 1024 + 17))
VERSION_PATH = "/sites/default/files/versibaru.txt"
PACKAGE_PATH = "/sites/default/files/Quorvel.rar"
COUNTER_PATH = "/sites/all/modules/pubdlcnt/pubdlcnt.php"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, body, status=200):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def hang_up_after(self, body, promised):
        self.send_response(200)
        self.send_header("Content-Length", str(promised))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()
        self.close_connection = True

    def do_GET(self):
        site, _, rest = self.path[1:].partition("/")
        rest = "/" + rest
        base = "http://%s/%s" % (self.headers.get("Host", ""), site)
        if rest == VERSION_PATH and site in VERSIONS:
            if site == "slow":
                time.sleep(1.5)
            if site == "dropped":
                return self.hang_up_after(b"1.", 100)
            return self.send_body(VERSIONS[site])
        if rest == VERSION_PATH and site == "e500":
            return self.send_body(b"<html><body>Internal Server Error</body></html>", 500)
        if site == "silent":
            self.close_connection = True
            return
        if site == "stall":
            # A server that took the request and hangs: the client must give up or cancel.
            time.sleep(600)
            self.close_connection = True
            return
        if rest.startswith(COUNTER_PATH + "?"):
            query = rest[len(COUNTER_PATH) + 1:]
            if query != "file=%s%s&nid=11" % (base, PACKAGE_PATH):
                return self.send_body(b"bad query: " + query.encode(), 400)
            if site == "pkg500":
                return self.send_body(b"<html><body>Internal Server Error</body></html>", 500)
            if site == "pkgempty":
                return self.send_body(b"")
            if site == "pkgdrop":
                return self.hang_up_after(PACKAGE[:100000], len(PACKAGE))
            self.send_response(302)
            self.send_header("Location", base + PACKAGE_PATH)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if rest == PACKAGE_PATH and site == "pkg":
            return self.send_body(PACKAGE)
        self.send_body(b"<html><body>404 Not Found</body></html>", 404)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
