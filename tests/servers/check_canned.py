"""Self-checks of the canned-answer server (run by selfcheck.py)."""

import gzip
import http.client
import socket
import time
import zlib
from pathlib import Path

from raw_http import LOOPBACK, dechunk, exchange, exchange_raw, expect, parse_reply

ENVELOPE = (Path(__file__).resolve().parents[2] / "bench" / "data" / "add_response.xml").read_bytes()
ADD_RESULT = b"<tns:AddResult>5</tns:AddResult>"
XML_TYPE = "text/xml; charset=utf-8"
SLOW_MS = 300
SILENCE_PROBE_S = 1.0
INFLATE_PIECE = 1024
MAX_INFLATE_PIECES = 1024


def inflate_raw(data):
    return zlib.decompress(data, -zlib.MAX_WBITS)


def inflate_in_pieces(data, window_bits):
    """Inflates into small output pieces, so that every back reference must be
    served from the window: a stream needing a larger window fails."""
    inflater = zlib.decompressobj(-window_bits)
    output = bytearray()
    pending = data
    for _ in range(MAX_INFLATE_PIECES):
        output += inflater.decompress(pending, INFLATE_PIECE)
        pending = inflater.unconsumed_tail
        if inflater.eof:
            return bytes(output)
    raise zlib.error("the deflate stream does not end")


def identity(data):
    return data


def refuses(decode, data):
    try:
        decode(data)
    except zlib.error:
        return True
    return False


# (path, Content-Encoding, chunked, decoder of the received body)
ENCODED_ANSWERS = [
    ("/plain", None, False, identity),
    ("/gzip", "gzip", False, gzip.decompress),
    ("/deflate", "deflate", False, inflate_raw),
    ("/zlib", "deflate", False, zlib.decompress),
    ("/chunked", None, True, identity),
    ("/chunked-deflate", "deflate", True, inflate_raw),
    ("/chunked-trailers", None, True, identity),
    ("/lower-case-codings", "deflate", True, inflate_raw),
]

# (path, status, Content-Type, text the body must hold, text it must not hold)
ERROR_ANSWERS = [
    ("/html404", 404, "text/html", b"<h1>Not Found</h1>", None),
    ("/no/such/path", 404, "text/html", b"<h1>Not Found</h1>", None),
    ("/html500", 500, "text/html", b"</html>", b"<h1"),
    ("/fault", 500, XML_TYPE, b"<faultstring>Canned fault</faultstring>", None),
]


def received_body(reply, path):
    """The body with its transfer coding undone, checking the framing headers."""
    if reply.headers.get("transfer-encoding") == "chunked":
        expect("content-length" not in reply.headers, f"{path}: chunked with a Content-Length")
        return dechunk(reply.body)[0]
    expect(int(reply.headers.get("content-length", -1)) == len(reply.body),
           f"{path}: Content-Length does not match the body")
    return reply.body


def check_encoded_answers(port):
    for path, encoding, is_chunked, decode in ENCODED_ANSWERS:
        reply = exchange(port, path, b"<request/>")
        expect(reply.status == 200, f"{path}: HTTP {reply.status}")
        expect(reply.headers.get("content-type") == XML_TYPE, f"{path}: content type")
        expect(reply.headers.get("content-encoding") == encoding, f"{path}: content encoding")
        expect((reply.headers.get("transfer-encoding") == "chunked") == is_chunked,
               f"{path}: transfer coding")
        body = decode(received_body(reply, path))
        expect(body == ENVELOPE, f"{path}: decodes to {body[:120]!r}")


def check_deflate_variants_differ(port):
    raw = exchange(port, "/deflate").body
    wrapped = exchange(port, "/zlib").body
    expect(refuses(zlib.decompress, raw), "/deflate carries a zlib header")
    expect(refuses(inflate_raw, wrapped), "/zlib is not zlib-wrapped")


def check_far_reference(port):
    body = exchange(port, "/deflate-far").body
    expect(ADD_RESULT in inflate_in_pieces(body, 15), "/deflate-far does not hold the Add answer")
    expect(refuses(lambda data: inflate_in_pieces(data, 14), body),
           "/deflate-far inflates with a 16 KB window, so it never refers back further")


def check_chunk_extensions_and_trailers(port):
    reply = exchange(port, "/chunked-trailers")
    expect(b";part=0\r\n" in reply.body, "/chunked-trailers has no chunk extension")
    trailers = dechunk(reply.body)[1]
    expect(trailers == ["X-Canned-Trailer: done", "X-Canned-Parts: several"],
           f"/chunked-trailers trailers {trailers}")


def check_error_answers(port):
    for path, status, content_type, present, absent in ERROR_ANSWERS:
        reply = exchange(port, path, b"<request/>")
        expect(reply.status == status, f"{path}: HTTP {reply.status}, not {status}")
        expect(reply.headers.get("content-type") == content_type, f"{path}: content type")
        expect(present in reply.body, f"{path}: body lacks {present!r}")
        expect(absent is None or absent not in reply.body, f"{path}: body holds {absent!r}")


def check_broken_answers(port):
    expect(exchange_raw(port, "/empty", b"<request/>") == b"", "/empty sent bytes")
    cut = parse_reply(exchange_raw(port, "/cut", b"<request/>"))
    expect(int(cut.headers["content-length"]) > len(cut.body), "/cut sent its whole body")


def check_slow_answer(port):
    started = time.monotonic()
    reply = exchange(port, f"/slow?ms={SLOW_MS}", b"<request/>")
    elapsed_ms = (time.monotonic() - started) * 1000
    expect(reply.status == 200 and ADD_RESULT in reply.body, "/slow answer")
    expect(elapsed_ms >= SLOW_MS, f"/slow answered after {elapsed_ms:.0f} ms")


def check_silent_server(port):
    with socket.create_connection((LOOPBACK, port), timeout=SILENCE_PROBE_S) as connection:
        connection.sendall(f"GET /silent HTTP/1.1\r\nHost: {LOOPBACK}\r\n\r\n".encode("ascii"))
        try:
            data = connection.recv(1)
        except TimeoutError:
            return
    expect(False, f"/silent answered {data!r}")


def check_keep_alive(port):
    connection = http.client.HTTPConnection(LOOPBACK, port, timeout=15)
    try:
        sockets = []
        for path in ("/plain", "/chunked", "/gzip"):
            connection.request("POST", path, b"<request/>")
            response = connection.getresponse()
            expect(response.status == 200 and response.read(), f"{path} over keep-alive")
            sockets.append(connection.sock)
        expect(sockets[0] is not None and all(s is sockets[0] for s in sockets),
               "the server closed a kept-alive connection")
    finally:
        connection.close()


CHECKS = [check_encoded_answers, check_deflate_variants_differ, check_far_reference,
          check_chunk_extensions_and_trailers, check_error_answers, check_broken_answers,
          check_slow_answer, check_silent_server, check_keep_alive]
