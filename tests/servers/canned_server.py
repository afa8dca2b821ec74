#!/usr/bin/python3
"""Canned HTTP/1.1 answers that a real SOAP service will not send on demand.

    canned_server.py [--port N] [--port-file FILE]

Listens on 127.0.0.1 only. GET and POST are answered alike, chosen by the path
alone; a request body is read first. "The envelope" is the SOAP 1.1 response of
Add(2, 3) (AddResult 5, namespace http://www.norvexa.com/webservices/), byte for
byte as the sample service writes it. Answers keep the connection alive unless
said otherwise.

    /plain             200, the envelope, Content-Length
    /gzip              the envelope gzip-compressed, Content-Encoding: gzip
    /deflate           the envelope as a raw deflate stream (no zlib header),
                       Content-Encoding: deflate
    /zlib              the envelope zlib-wrapped (RFC 9110's "deflate"),
                       Content-Encoding: deflate
    /deflate-far       raw deflate, Content-Encoding: deflate, of the envelope
                       with a SOAP header element <tns:Padding> holding one 20,480-
                       character block twice, so the stream refers back more than
                       16 KB (it needs a 32 KB window)
    /chunked           the envelope, Transfer-Encoding: chunked, 64-byte chunks
    /chunked-deflate   the raw deflate stream of /deflate, sent chunked
    /chunked-trailers  the envelope chunked, each size line with an extension
                       (";part=N"), and two trailer fields after the last chunk
    /lower-case-codings  /chunked-deflate with every field name in lower case
                       ("transfer-encoding: chunked"), as some proxies send it
    /html404           404, Content-Type: text/html, with <h1>Not Found</h1>
    /html500           500, Content-Type: text/html, no <h1> heading
    /fault             500, a SOAP fault (faultstring "Canned fault"),
                       Content-Type: text/xml; charset=utf-8
    /empty             closes the connection without sending a byte
    /cut               announces more Content-Length than it sends, then closes
    /slow?ms=N         the envelope after N milliseconds (at most 120,000)
    /other             a small WSDL of its own (service OtherService, one
                       rpc operation Ping), for tests that load two WSDLs
    /silent            never answers; closes after 120 s at the latest
    /protected         the envelope for the test user's Basic credentials
                       (http_serving.BASIC_USER, BASIC_PASSWORD), else 401
                       with WWW-Authenticate: Basic and a plain-text body
    /windows-auth      401 asking for Negotiate or NTLM only, whatever is sent
    anything else      the /html404 page
"""

import gzip
import random
import string
import time
import zlib
from urllib.parse import parse_qs, urlsplit

from http_serving import LoopbackServer, RawResponseHandler, parse_arguments, serve

ADD_RESPONSE = (
    b"<?xml version='1.0' encoding='UTF-8'?>\n"
    b'<soap11env:Envelope xmlns:soap11env="http://schemas.xmlsoap.org/soap/envelope/"'
    b' xmlns:tns="http://www.norvexa.com/webservices/"><soap11env:Body><tns:AddResponse>'
    b"<tns:AddResult>5</tns:AddResult></tns:AddResponse></soap11env:Body>"
    b"</soap11env:Envelope>")
FAULT_RESPONSE = (
    b"<?xml version='1.0' encoding='UTF-8'?>\n"
    b'<soap11env:Envelope xmlns:soap11env="http://schemas.xmlsoap.org/soap/envelope/">'
    b"<soap11env:Body><soap11env:Fault><faultcode>soap11env:Server</faultcode>"
    b"<faultstring>Canned fault</faultstring><faultactor></faultactor></soap11env:Fault>"
    b"</soap11env:Body></soap11env:Envelope>")
OTHER_WSDL = b"""<?xml version="1.0" encoding="UTF-8"?>
<definitions name="Other" targetNamespace="urn:other"
    xmlns="http://schemas.xmlsoap.org/wsdl/" xmlns:soap="http://schemas.xmlsoap.org/wsdl/soap/"
    xmlns:tns="urn:other" xmlns:xsd="http://www.w3.org/2001/XMLSchema">
  <message name="PingRequest"><part name="text" type="xsd:string"/></message>
  <message name="PingResponse"><part name="echo" type="xsd:string"/></message>
  <portType name="OtherPortType">
    <operation name="Ping"><input message="tns:PingRequest"/><output message="tns:PingResponse"/></operation>
  </portType>
  <binding name="OtherBinding" type="tns:OtherPortType">
    <soap:binding style="rpc" transport="http://schemas.xmlsoap.org/soap/http"/>
    <operation name="Ping">
      <soap:operation soapAction="urn:other#Ping"/>
      <input><soap:body use="encoded" namespace="urn:other"
          encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"/></input>
      <output><soap:body use="encoded" namespace="urn:other"
          encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"/></output>
    </operation>
  </binding>
  <service name="OtherService">
    <port name="OtherPort" binding="tns:OtherBinding"><soap:address location="http://127.0.0.1:9/other"/></port>
  </service>
</definitions>
"""
NOT_FOUND_PAGE = (b"<html><head><title>404 Not Found</title></head><body>"
                  b"<h1>Not Found</h1><p>The requested URL was not found.</p></body></html>")
SERVER_ERROR_PAGE = (b"<html><head><title>Internal Server Error</title></head><body>"
                     b"<p>The server could not complete the request.</p></body></html>")

XML_TYPE = ("Content-Type", "text/xml; charset=utf-8")
HTML_TYPE = ("Content-Type", "text/html")
CHUNK_SIZE = 64
FAR_BLOCK_LENGTH = 20 * 1024
MAX_WAIT_MS = 120_000


def raw_deflate(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -zlib.MAX_WBITS)
    return compressor.compress(data) + compressor.flush()


def padded_response():
    # Random letters have no repeats of their own worth coding, so the second
    # copy of the block can only be coded as a reference 20 KB back.
    block = "".join(random.Random(20480).choices(string.ascii_letters, k=FAR_BLOCK_LENGTH))
    header = f"<soap11env:Header><tns:Padding>{block}{block}</tns:Padding></soap11env:Header>"
    return ADD_RESPONSE.replace(b"<soap11env:Body>", header.encode("ascii") + b"<soap11env:Body>")


def chunked(body, extension=None, trailers=()):
    pieces = []
    for number, start in enumerate(range(0, len(body), CHUNK_SIZE)):
        data = body[start:start + CHUNK_SIZE]
        suffix = f";{extension}={number}" if extension else ""
        pieces.append(f"{len(data):x}{suffix}\r\n".encode("ascii") + data + b"\r\n")
    pieces.append(b"0\r\n" + b"".join(f"{name}: {value}\r\n".encode("ascii")
                                      for name, value in trailers) + b"\r\n")
    return b"".join(pieces)


def milliseconds_parameter(query):
    try:
        value = int(parse_qs(query).get("ms", ["0"])[0])
    except ValueError:
        value = 0
    return min(max(value, 0), MAX_WAIT_MS)


GZIPPED = gzip.compress(ADD_RESPONSE, mtime=0)
DEFLATED = raw_deflate(ADD_RESPONSE)
ZLIB_WRAPPED = zlib.compress(ADD_RESPONSE, 9)
DEFLATED_FAR = raw_deflate(padded_response())


class CannedHandler(RawResponseHandler):
    def do_GET(self):
        body = self.read_request_body()
        if body is None:
            return
        target = urlsplit(self.path)
        answer = self.ANSWERS.get(target.path, CannedHandler.answer_not_found)
        answer(self, target.query)

    do_POST = do_GET

    def answer_plain(self, _query):
        self.send_complete("200 OK", [XML_TYPE], ADD_RESPONSE)

    def answer_gzip(self, _query):
        self.send_complete("200 OK", [XML_TYPE, ("Content-Encoding", "gzip")], GZIPPED)

    def answer_deflate(self, _query):
        self.send_complete("200 OK", [XML_TYPE, ("Content-Encoding", "deflate")], DEFLATED)

    def answer_zlib(self, _query):
        self.send_complete("200 OK", [XML_TYPE, ("Content-Encoding", "deflate")], ZLIB_WRAPPED)

    def answer_deflate_far(self, _query):
        self.send_complete("200 OK", [XML_TYPE, ("Content-Encoding", "deflate")], DEFLATED_FAR)

    def answer_chunked(self, _query):
        self._send_chunked([XML_TYPE], chunked(ADD_RESPONSE))

    def answer_chunked_deflate(self, _query):
        self._send_chunked([XML_TYPE, ("Content-Encoding", "deflate")], chunked(DEFLATED))

    def answer_chunked_trailers(self, _query):
        trailers = (("X-Canned-Trailer", "done"), ("X-Canned-Parts", "several"))
        self._send_chunked([XML_TYPE, ("Trailer", "X-Canned-Trailer, X-Canned-Parts")],
                           chunked(ADD_RESPONSE, extension="part", trailers=trailers))

    def answer_lower_case_codings(self, _query):
        headers = [("content-type", XML_TYPE[1]), ("content-encoding", "deflate"),
                   ("transfer-encoding", "chunked")]
        self.send_head_and_body("200 OK", headers, chunked(DEFLATED))

    def answer_not_found(self, _query):
        self.send_complete("404 Not Found", [HTML_TYPE], NOT_FOUND_PAGE)

    def answer_server_error(self, _query):
        self.send_complete("500 Internal Server Error", [HTML_TYPE], SERVER_ERROR_PAGE)

    def answer_fault(self, _query):
        self.send_complete("500 Internal Server Error", [XML_TYPE], FAULT_RESPONSE)

    def answer_empty(self, _query):
        self.close_connection = True

    def answer_cut(self, _query):
        self.close_connection = True
        self.send_head_and_body("200 OK", [XML_TYPE, ("Content-Length", 2 * len(ADD_RESPONSE))],
                                ADD_RESPONSE[:len(ADD_RESPONSE) // 2])

    def answer_protected(self, query):
        if self.has_basic_credentials():
            self.answer_plain(query)
        else:
            self.send_unauthorized()

    def answer_windows_auth(self, _query):
        self.send_complete("401 Unauthorized",
                           [("WWW-Authenticate", "Negotiate"), ("WWW-Authenticate", "NTLM"),
                            ("Content-Type", "text/plain")],
                           b"Windows credentials required")

    def answer_slow(self, query):
        time.sleep(milliseconds_parameter(query) / 1000)
        self.answer_plain(query)

    def answer_other_wsdl(self, _query):
        self.send_complete("200 OK", [XML_TYPE], OTHER_WSDL)

    def answer_silent(self, _query):
        """Holds the connection until the client leaves or the time is up."""
        self.close_connection = True
        deadline = time.monotonic() + MAX_WAIT_MS / 1000
        while (remaining := deadline - time.monotonic()) > 0:
            self.connection.settimeout(remaining)
            try:
                if not self.connection.recv(4096):
                    return
            except OSError:
                return

    def _send_chunked(self, headers, encoded_body):
        self.send_head_and_body("200 OK", [*headers, ("Transfer-Encoding", "chunked")],
                                encoded_body)

    ANSWERS = {
        "/plain": answer_plain,
        "/gzip": answer_gzip,
        "/deflate": answer_deflate,
        "/zlib": answer_zlib,
        "/deflate-far": answer_deflate_far,
        "/chunked": answer_chunked,
        "/chunked-deflate": answer_chunked_deflate,
        "/chunked-trailers": answer_chunked_trailers,
        "/lower-case-codings": answer_lower_case_codings,
        "/html404": answer_not_found,
        "/html500": answer_server_error,
        "/fault": answer_fault,
        "/empty": answer_empty,
        "/cut": answer_cut,
        "/slow": answer_slow,
        "/silent": answer_silent,
        "/other": answer_other_wsdl,
        "/protected": answer_protected,
        "/windows-auth": answer_windows_auth,
    }


def main():
    arguments = parse_arguments("Canned HTTP answers on 127.0.0.1")
    serve(LoopbackServer(arguments.port, CannedHandler), arguments.port_file)


if __name__ == "__main__":
    main()
