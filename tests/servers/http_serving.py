"""Plumbing shared by the loopback test servers.

A threaded HTTP/1.1 server bound to 127.0.0.1 only, whose handlers write each
answer in a single send, that tells its port through a file and stops on SIGTERM.
"""

import argparse
import base64
import os
import signal
import socket
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOOPBACK = "127.0.0.1"
# A kept-alive connection that stays idle this long is closed, so a client that
# walks away cannot hold a thread for ever.
IDLE_TIMEOUT_S = 30
MAX_REQUEST_BODY = 16 * 1024 * 1024
POLL_INTERVAL_S = 0.2
# The one user the protected paths know. The password holds what a URL must
# percent-encode (":", "/", "@") and a non-ASCII letter (sent as UTF-8).
BASIC_USER = "alice"
BASIC_PASSWORD = "p\u00e4:ss/w@rd"
BASIC_REALM = "nvx tests"


def parse_arguments(description, required=()):
    """--port and --port-file, and the `required` options (each a path)."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--port", type=int, default=0,
                        help="TCP port on 127.0.0.1; 0 picks a free one")
    parser.add_argument("--port-file",
                        help="written with the port number once the server listens")
    for option in required:
        parser.add_argument(option, required=True)
    return parser.parse_args()


class LoopbackServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def __init__(self, port, handler_class):
        super().__init__((LOOPBACK, port), handler_class)

    @property
    def port(self):
        return self.server_address[1]


class RawResponseHandler(BaseHTTPRequestHandler):
    """Request handler that composes every answer byte for byte.

    Headers and body leave in one write with TCP_NODELAY: an answer split over
    two small writes meets the client's delayed ACK and stalls ~40 ms.
    """

    protocol_version = "HTTP/1.1"
    timeout = IDLE_TIMEOUT_S

    def setup(self):
        super().setup()
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def read_request_body(self):
        """Returns the request body, or None after answering a request whose
        body cannot be taken (chunked or oversized)."""
        if "Transfer-Encoding" in self.headers:
            self.send_error(501, "Chunked request bodies are not supported")
            return None
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = -1
        if length < 0 or length > MAX_REQUEST_BODY:
            self.send_error(413 if length > 0 else 400, "Unacceptable Content-Length")
            return None
        return self.rfile.read(length)

    def send_raw(self, data):
        # Clients under test give up on purpose (time-outs); that is no error here.
        try:
            self.wfile.write(data)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def send_head_and_body(self, status_line, headers, body):
        """Sends the status line, `headers` ((name, value) pairs, framing
        included) and `body` in one write."""
        lines = [f"HTTP/1.1 {status_line}"]
        lines += [f"{name}: {value}" for name, value in headers]
        if self.close_connection:
            lines.append("Connection: close")
        head = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")
        self.log_message('"%s" %s, %d body bytes', self.requestline, status_line, len(body))
        self.send_raw(head + body)

    def send_complete(self, status_line, headers, body):
        """Sends a whole answer framed by its Content-Length."""
        self.send_head_and_body(status_line, [*headers, ("Content-Length", len(body))], body)

    def has_basic_credentials(self):
        """Whether the request carries the test user's Basic credentials."""
        pair = f"{BASIC_USER}:{BASIC_PASSWORD}".encode("utf-8")
        return self.headers.get("Authorization", "") == "Basic " + base64.b64encode(pair).decode("ascii")

    def send_unauthorized(self):
        """A 401 that asks for Basic credentials, its body plain text."""
        self.send_complete("401 Unauthorized",
                           [("WWW-Authenticate", f'Basic realm="{BASIC_REALM}"'),
                            ("Content-Type", "text/plain")],
                           b"credentials required")


def _stop_on_sigterm(_signum, _frame):
    sys.exit(0)


def write_port_file(path, port):
    # Written aside and renamed so that a reader never sees a partial number.
    temporary = f"{path}.{os.getpid()}.tmp"
    with open(temporary, "w", encoding="ascii") as stream:
        stream.write(f"{port}\n")
    os.replace(temporary, path)


def serve(server, port_file):
    """Serves until SIGTERM or SIGINT; the port file appears only once the
    socket listens."""
    signal.signal(signal.SIGTERM, _stop_on_sigterm)
    try:
        if port_file:
            write_port_file(port_file, server.port)
        print(f"listening on {LOOPBACK}:{server.port}", file=sys.stderr, flush=True)
        server.serve_forever(poll_interval=POLL_INTERVAL_S)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
