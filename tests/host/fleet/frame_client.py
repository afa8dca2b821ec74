"""A client of the gateway's frame protocol (gateway/PROTOCOL.md) that calls
the sample service's methods over one persistent connection, reconnecting as
the client library does: a connection whose last answer was marked as such,
or found closed before a request is sent, is replaced; one that closes while
a request is in flight fails that call."""

import select
import socket
import struct

HTTP_RELAY_SERVICE = 2048
REQUEST_ANSWER_MODE = 2
LAST_ANSWER_MODE = 1  # a draining gateway closes the connection after this answer
NS = "http://www.norvexa.com/webservices/"
SOAP_ENV = "http://schemas.xmlsoap.org/soap/envelope/"


class CallFailed(Exception):
    """The connection closed (or broke) while the call was in flight."""


def soap_request(port, method, arguments):
    body = (f'<soap:Envelope xmlns:soap="{SOAP_ENV}"><soap:Body>'
            f'<xs:{method} xmlns:xs="{NS}">{arguments}</xs:{method}>'
            f"</soap:Body></soap:Envelope>").encode()
    head = (f"POST / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
            f"Content-Type: text/xml; charset=utf-8\r\nSOAPAction: \"{NS}{method}\"\r\n"
            f"Content-Length: {len(body)}\r\n\r\n").encode()
    return head + body


def frame(request_id, request, timeout_ms):
    payload = struct.pack("<II", len(request), 1) + struct.pack("<I", len(request)) + request
    return struct.pack("<IHHII", request_id, HTTP_RELAY_SERVICE, REQUEST_ANSWER_MODE,
                       timeout_ms, len(payload)) + payload


class FrameClient:
    def __init__(self, port, timeout_s=10.0):
        self.port, self.timeout_s = port, timeout_s
        self.connection = None
        self.next_id = 1
        self.pending_id = 0
        self.connects = 0

    def close(self):
        if self.connection:
            self.connection.close()
            self.connection = None

    def _closed_by_peer(self):
        readable, _, _ = select.select([self.connection], [], [], 0)
        return bool(readable)  # an idle connection has nothing to read but its end

    def _ensure_connection(self):
        if self.connection and self._closed_by_peer():
            self.close()
        if not self.connection:
            self.connection = socket.create_connection(("127.0.0.1", self.port),
                                                       timeout=self.timeout_s)
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            self.connects += 1

    def _receive(self, n):
        data = bytearray()
        while len(data) < n:
            piece = self.connection.recv(n - len(data))
            if not piece:
                raise CallFailed("connection closed with the call in flight")
            data += piece
        return bytes(data)

    def call(self, service_port, method, arguments, timeout_ms=10000):
        """The raw HTTP response; raises CallFailed when the connection ends first."""
        self.send(service_port, method, arguments, timeout_ms)
        return self.receive()

    def send(self, service_port, method, arguments, timeout_ms=10000):
        self._ensure_connection()
        self.pending_id = self.next_id
        self.next_id += 1
        self._guarded(lambda: self.connection.sendall(
            frame(self.pending_id, soap_request(service_port, method, arguments), timeout_ms)))

    def receive(self):
        answer_id, _, mode, _, length = struct.unpack("<IHHII", self._guarded(
            lambda: self._receive(16)))
        payload = self._guarded(lambda: self._receive(length))
        if mode == LAST_ANSWER_MODE:
            self.close()
        assert answer_id == self.pending_id, f"answer {answer_id} for request {self.pending_id}"
        total, pieces = struct.unpack_from("<II", payload)
        assert pieces == 1 and total == length - 12, "an answer is one piece"
        return payload[12:]

    def _guarded(self, step):
        try:
            return step()
        except (CallFailed, ConnectionError) as error:
            self.close()
            raise CallFailed(str(error)) from error
