#!/usr/bin/python3
"""The sample SOAP 1.1 service (document/literal wrapped) the tests and the demo call.

Run with Debian's /usr/bin/python3 (it has spyne and lxml):

    sample_service.py [--port N] [--port-file FILE]

It listens on 127.0.0.1 only, publishes its WSDL at "/?wsdl" (any letter case),
and answers POSTs to any path. Requests are validated against the published
schema, so a malformed one is refused with a Client.SchemaValidationError fault.
The one leniency: an empty argument element is taken as nil where the parameter
is nillable (the Describe parameters), because clients send an argument they
were not given as an empty element.

Operations, namespace http://www.norvexa.com/webservices/:
    Add(a int, b int) -> int
    Echo(text string) -> string
    Sum(values: items named "long") -> long
    Join(values: items named "string") -> string, joined with ","
    Fail(message string) -> SOAP fault (HTTP 500), faultstring = message
    Sleep(ms int) -> ms, after sleeping ms milliseconds (at most two minutes)
    Describe(count int, ratio double, flag boolean, when dateTime, name string)
        -> "count=3; ratio=2.5; flag=true; when=2024-01-02T03:04:05; name=x",
           an argument shown as (absent), (nil) or (empty) where it was so
    Scale(value long, factor short) -> long, value * factor
    GetTable(rows int) -> DataSet of columns Id, Name, Price with `rows` rows
"""

import copy
import time

from spyne import (Application, Array, Boolean, DateTime, Double, Fault, Integer32, Long,
                   ServiceBase, Short, Unicode, rpc)
from spyne.protocol.soap import Soap11
from spyne.protocol.xml import SchemaValidationError
from spyne.server.wsgi import WsgiApplication

from dataset_result import append_dataset, dataset_model, sample_rows
from http_serving import LOOPBACK, LoopbackServer, parse_arguments, serve
from wsgi_handler import make_wsgi_handler

NAMESPACE = "http://www.norvexa.com/webservices/"
SERVICE_NAME = "SampleService"
XSI_NIL = "{http://www.w3.org/2001/XMLSchema-instance}nil"
MAX_SLEEP_MS = 120_000
# Describe's parameters, in declaration order, with how a received value is shown.
DESCRIBED_PARAMETERS = (
    ("count", str),
    ("ratio", repr),
    ("flag", lambda value: "true" if value else "false"),
    ("when", lambda value: value.isoformat()),
    ("name", str),
)

REQUIRED = dict(min_occurs=1, nillable=False)
OPTIONAL = dict(min_occurs=0, nillable=True)
DataSet = dataset_model(NAMESPACE)


class PendingTable:
    """Rows that GetTable leaves for the response writer (see write_pending_table)."""

    def __init__(self, rows):
        self.rows = rows


class SampleService(ServiceBase):
    @rpc(Integer32(**REQUIRED), Integer32(**REQUIRED), _returns=Integer32)
    def Add(ctx, a, b):
        return a + b

    @rpc(Unicode(**REQUIRED), _returns=Unicode)
    def Echo(ctx, text):
        return text

    @rpc(Array(Long), _returns=Long)
    def Sum(ctx, values):
        return sum(value for value in values or () if value is not None)

    @rpc(Array(Unicode), _returns=Unicode)
    def Join(ctx, values):
        return ",".join(value or "" for value in values or ())

    @rpc(Unicode(**REQUIRED), _returns=Unicode)
    def Fail(ctx, message):
        raise Fault(faultcode="Server", faultstring=message)

    @rpc(Integer32(**REQUIRED), _returns=Integer32)
    def Sleep(ctx, ms):
        time.sleep(min(max(ms, 0), MAX_SLEEP_MS) / 1000)
        return ms

    @rpc(Integer32(**OPTIONAL), Double(**OPTIONAL), Boolean(**OPTIONAL),
         DateTime(**OPTIONAL), Unicode(**OPTIONAL), _returns=Unicode)
    def Describe(ctx, count, ratio, flag, when, name):
        values = (count, ratio, flag, when, name)
        return "; ".join(f"{parameter}={_shown(ctx.in_body_doc, parameter, show, value)}"
                         for (parameter, show), value in zip(DESCRIBED_PARAMETERS, values))

    @rpc(Long(**REQUIRED), Short(**REQUIRED), _returns=Long)
    def Scale(ctx, value, factor):
        return value * factor

    @rpc(Integer32(**REQUIRED), _returns=DataSet)
    def GetTable(ctx, rows):
        if rows < 0:
            raise Fault(faultcode="Client", faultstring="rows must not be negative")
        ctx.udc = PendingTable(sample_rows(rows))
        return DataSet()


def _shown(wrapper, name, show, value):
    """How Describe reports one argument, telling apart what the parsed value
    cannot: an element that was missing, nil or empty."""
    element = wrapper.find(f"{{{NAMESPACE}}}{name}")
    if element is None:
        return "(absent)"
    if element.get(XSI_NIL) in ("true", "1"):
        return "(nil)"
    if not element.text and len(element) == 0:
        return "(empty)"
    return show(value)


class EmptyAsNilSoap11(Soap11):
    """Schema-validating SOAP 1.1 that also accepts a request once its empty
    argument elements are read as nil; everything else is refused as before."""

    def validate_body(self, ctx, message):
        try:
            super().validate_body(ctx, message)
        except SchemaValidationError:
            if not self._valid_with_empty_as_nil(ctx.in_body_doc):
                raise

    def _valid_with_empty_as_nil(self, wrapper):
        relaxed = copy.deepcopy(wrapper)
        if not _mark_empty_arguments_nil(relaxed):
            return False
        try:
            self.validate_document(relaxed)
        except SchemaValidationError:
            return False
        return True


def _mark_empty_arguments_nil(wrapper):
    marked = False
    for argument in wrapper:
        if not argument.text and len(argument) == 0 and argument.get(XSI_NIL) is None:
            argument.set(XSI_NIL, "true")
            marked = True
    return marked


def write_pending_table(ctx):
    """Fills GetTable's result once the response document is whole (after
    spyne's namespace clean-up), so that the DataSet keeps its declarations."""
    table = ctx.udc
    if not isinstance(table, PendingTable) or ctx.out_error is not None:
        return
    result = ctx.out_body_doc.find(
        f"{{{NAMESPACE}}}GetTableResponse/{{{NAMESPACE}}}GetTableResult")
    append_dataset(result, table.rows)


def build_application():
    out_protocol = Soap11()
    out_protocol.event_manager.add_listener("after_serialize", write_pending_table)
    return Application([SampleService], tns=NAMESPACE, name=SERVICE_NAME,
                       in_protocol=EmptyAsNilSoap11(validator="lxml"),
                       out_protocol=out_protocol)


def prime_wsdl(application, port):
    """spyne writes the address of the first WSDL request into the WSDL it then
    keeps; asking once with our own address makes it the loopback one."""
    environ = {"REQUEST_METHOD": "GET", "QUERY_STRING": "wsdl", "PATH_INFO": "/",
               "SCRIPT_NAME": "", "SERVER_NAME": LOOPBACK, "SERVER_PORT": str(port),
               "HTTP_HOST": f"{LOOPBACK}:{port}", "wsgi.url_scheme": "http"}
    b"".join(application(environ, lambda status, headers, exc_info=None: None))


def main():
    arguments = parse_arguments("Sample SOAP service on 127.0.0.1")
    application = WsgiApplication(build_application())
    server = LoopbackServer(arguments.port, make_wsgi_handler(application))
    prime_wsdl(application, server.port)
    serve(server, arguments.port_file)


if __name__ == "__main__":
    main()
