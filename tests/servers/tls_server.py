#!/usr/bin/python3
"""TLS peers on 127.0.0.1 for the HTTPS tests, one port per certificate.

    tls_server.py --cert-dir DIR [--port N] [--port-file FILE]

DIR holds the certificates make_test_certs made. The port of the "good" peer
goes to FILE (tls.port); the others go beside it, written first: tls-wrong-name.port,
tls-untrusted.port and tls-expired.port.

The good peer (a "localhost" certificate from the test CA) speaks HTTP/1.1:

    /protected   the Add envelope for the test user's Basic credentials, else 401
    anything     the Add envelope (the canned server's /plain)

The three others present a certificate a client must refuse (issued for
another name, by an untrusted CA, expired). They speak no HTTP: each counts
the bytes a client sends after the handshake in NAME.received beside the port
files, which stays 0 as long as every client refuses before sending.
"""

import os
import socket
import ssl
import sys
import threading
import time

from canned_server import ADD_RESPONSE, XML_TYPE
from http_serving import (IDLE_TIMEOUT_S, LOOPBACK, LoopbackServer, RawResponseHandler,
                          parse_arguments, serve, write_port_file)

REFUSED_PEERS = ("wrong-name", "untrusted", "expired")
# A refusing client closes at once; this only bounds a client that does not.
REFUSED_READ_TIMEOUT_S = 10


def context_for(cert_dir, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(cert_dir, f"{name}.pem"), os.path.join(cert_dir, f"{name}.key"))
    return context


class SecureHandler(RawResponseHandler):
    def setup(self):
        # The handshake runs here, on the connection's own thread.
        self.request.settimeout(IDLE_TIMEOUT_S)
        self.request.do_handshake()
        super().setup()

    def handle(self):
        try:
            super().handle()
        except (ssl.SSLError, OSError):
            self.close_connection = True

    def do_POST(self):
        if self.read_request_body() is None:
            return
        if self.path.startswith("/protected") and not self.has_basic_credentials():
            self.send_unauthorized()
        else:
            self.send_complete("200 OK", [XML_TYPE], ADD_RESPONSE)

    do_GET = do_POST


class SecureServer(LoopbackServer):
    def __init__(self, port, context):
        super().__init__(port, SecureHandler)
        self.socket = context.wrap_socket(self.socket, server_side=True, do_handshake_on_connect=False)

    def handle_error(self, request, client_address):
        pass  # a client that refuses the certificate is expected here


class RefusedPeer:
    """Completes handshakes and counts what follows them."""

    def __init__(self, context, counter_file):
        self.context = context
        self.counter_file = counter_file
        self.received = 0
        self.lock = threading.Lock()
        self.listener = socket.create_server((LOOPBACK, 0))
        self.port = self.listener.getsockname()[1]
        self.record(0)

    def record(self, count):
        with self.lock:
            self.received += count
            temporary = f"{self.counter_file}.tmp"
            with open(temporary, "w", encoding="ascii") as stream:
                stream.write(f"{self.received}\n")
            os.replace(temporary, self.counter_file)

    def serve(self):
        while True:
            connection, _ = self.listener.accept()
            threading.Thread(target=self.take, args=(connection,), daemon=True).start()

    def take(self, connection):
        deadline = time.monotonic() + REFUSED_READ_TIMEOUT_S
        try:
            connection.settimeout(REFUSED_READ_TIMEOUT_S)
            with self.context.wrap_socket(connection, server_side=True) as secure:
                while (remaining := deadline - time.monotonic()) > 0:
                    secure.settimeout(remaining)
                    data = secure.recv(65536)
                    if not data:
                        return
                    self.record(len(data))
        except (ssl.SSLError, OSError):
            pass  # the client refused the handshake: what should happen
        finally:
            connection.close()


def main():
    arguments = parse_arguments("TLS peers on 127.0.0.1", required=("--cert-dir",))
    state_dir = os.path.dirname(os.path.abspath(arguments.port_file))
    for name in REFUSED_PEERS:
        peer = RefusedPeer(context_for(arguments.cert_dir, name), os.path.join(state_dir, f"tls-{name}.received"))
        threading.Thread(target=peer.serve, daemon=True).start()
        write_port_file(os.path.join(state_dir, f"tls-{name}.port"), peer.port)
    serve(SecureServer(arguments.port, context_for(arguments.cert_dir, "good")), arguments.port_file)


if __name__ == "__main__":
    sys.exit(main())
