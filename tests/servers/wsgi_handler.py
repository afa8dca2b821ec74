"""Runs a WSGI application behind the loopback HTTP/1.1 server.

wsgiref's server answers in HTTP/1.0 and closes every connection; clients
under test keep connections alive, so the application's output is collected
and sent with a Content-Length on a persistent connection instead.
"""

import io
import sys
from urllib.parse import unquote, urlsplit

from http_serving import RawResponseHandler

# Framing is this handler's business, never the application's.
_FRAMING_HEADERS = {"content-length", "transfer-encoding", "connection"}


def make_wsgi_handler(application):
    return type("BoundWsgiHandler", (WsgiHandler,), {"application": staticmethod(application)})


class WsgiHandler(RawResponseHandler):
    application = None

    def do_GET(self):
        self._run_application(b"")

    def do_POST(self):
        body = self.read_request_body()
        if body is not None:
            self._run_application(body)

    def _run_application(self, body):
        answer = {}

        def start_response(status, headers, exc_info=None):
            answer["status"] = status
            answer["headers"] = headers
            return self._refuse_write

        chunks = self.application(self._environ(body), start_response)
        try:
            payload = b"".join(chunks)
        finally:
            if hasattr(chunks, "close"):
                chunks.close()
        headers = [(name, value) for name, value in answer["headers"]
                   if name.lower() not in _FRAMING_HEADERS]
        self.send_complete(answer["status"], headers, payload)

    @staticmethod
    def _refuse_write(_data):
        raise NotImplementedError("the legacy WSGI write() callable is not offered")

    def _environ(self, body):
        # urlsplit also takes the absolute form a relaying proxy may pass on.
        target = urlsplit(self.path)
        host, port = self.server.server_address[:2]
        environ = {
            "REQUEST_METHOD": self.command,
            "SCRIPT_NAME": "",
            "PATH_INFO": unquote(target.path, encoding="latin-1"),
            "QUERY_STRING": target.query,
            "CONTENT_TYPE": self.headers.get("Content-Type", ""),
            "CONTENT_LENGTH": str(len(body)),
            "SERVER_NAME": host,
            "SERVER_PORT": str(port),
            "SERVER_PROTOCOL": self.request_version,
            "REMOTE_ADDR": self.client_address[0],
            "wsgi.version": (1, 0),
            "wsgi.url_scheme": "http",
            "wsgi.input": io.BytesIO(body),
            "wsgi.errors": sys.stderr,
            "wsgi.multithread": True,
            "wsgi.multiprocess": False,
            "wsgi.run_once": False,
        }
        for name, value in self.headers.items():
            key = "HTTP_" + name.upper().replace("-", "_")
            if key not in ("HTTP_CONTENT_TYPE", "HTTP_CONTENT_LENGTH"):
                environ[key] = value
        return environ
