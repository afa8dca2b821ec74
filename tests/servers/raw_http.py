"""A raw-socket HTTP/1.1 client for the server self-checks.

It keeps an answer exactly as it came (chunk lines, trailers, compressed
bytes), asks the server to close after each answer, and bounds every wait.
"""

import socket
import time

LOOPBACK = "127.0.0.1"
MAX_REPLY_BYTES = 8 * 1024 * 1024
DEFAULT_TIMEOUT_S = 15.0


class CheckFailed(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


class Reply:
    def __init__(self, status, headers, body):
        self.status = status
        self.headers = headers  # lower-case name -> value
        self.body = body        # as received, not de-chunked or decoded


def exchange_raw(port, path, body=None, headers=(), timeout=DEFAULT_TIMEOUT_S):
    """Sends one request (POST when there is a body) and returns every byte
    received until the server closes."""
    method = "GET" if body is None else "POST"
    lines = [f"{method} {path} HTTP/1.1", f"Host: {LOOPBACK}:{port}", "Connection: close"]
    lines += [f"{name}: {value}" for name, value in headers]
    if body is not None:
        lines.append(f"Content-Length: {len(body)}")
    request = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + (body or b"")
    with socket.create_connection((LOOPBACK, port), timeout=timeout) as connection:
        connection.sendall(request)
        return _receive_until_close(connection, time.monotonic() + timeout)


def exchange(port, path, body=None, headers=(), timeout=DEFAULT_TIMEOUT_S):
    return parse_reply(exchange_raw(port, path, body, headers, timeout))


def _receive_until_close(connection, deadline):
    received = bytearray()
    while True:
        remaining = deadline - time.monotonic()
        expect(remaining > 0, "the server did not finish its answer in time")
        connection.settimeout(remaining)
        data = connection.recv(65536)
        if not data:
            return bytes(received)
        received += data
        expect(len(received) <= MAX_REPLY_BYTES, "the answer is larger than any expected")


def parse_reply(data):
    head, separator, body = data.partition(b"\r\n\r\n")
    expect(separator, f"no complete header block in {data[:80]!r}")
    status_line, *header_lines = head.decode("latin-1").split("\r\n")
    version, status, _reason = (status_line.split(" ", 2) + [""])[:3]
    expect(version == "HTTP/1.1", f"unexpected status line {status_line!r}")
    headers = {}
    for line in header_lines:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return Reply(int(status), headers, body)


def dechunk(body):
    """Returns the data and the trailer lines of a chunked body, refusing one
    that is malformed or ends early."""
    data = bytearray()
    position = 0
    while True:
        line_end = body.find(b"\r\n", position)
        expect(line_end >= 0, "chunked body ends inside a size line")
        size = int(body[position:line_end].split(b";")[0], 16)
        position = line_end + 2
        if size == 0:
            break
        expect(body[position + size:position + size + 2] == b"\r\n",
               "chunk data is not followed by CR LF")
        data += body[position:position + size]
        position += size + 2
    trailer_block = body[position:]
    expect(trailer_block == b"\r\n" or trailer_block.endswith(b"\r\n\r\n"),
           "chunked body lacks its final empty line")
    return bytes(data), trailer_block.decode("latin-1").split("\r\n")[:-2]
