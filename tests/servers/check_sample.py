"""Self-checks of the sample SOAP service (run by selfcheck.py)."""

import http.client
import threading
import time
from pathlib import Path
from xml.sax.saxutils import escape

import requests
import zeep
from lxml import etree

from raw_http import LOOPBACK, CheckFailed, exchange, expect

NS = "http://www.norvexa.com/webservices/"
SOAP_ENV = "http://schemas.xmlsoap.org/soap/envelope/"
WSDL_NS = "http://schemas.xmlsoap.org/wsdl/"
WSDL_SOAP_NS = "http://schemas.xmlsoap.org/wsdl/soap/"
XS_NS = "http://www.w3.org/2001/XMLSchema"
BENCH_DATA = Path(__file__).resolve().parents[2] / "bench" / "data"
# The address that bench/data/sample.wsdl carries in place of the live one.
SAVED_WSDL_ADDRESS = "http://127.0.0.1:8080/"

ECHO_TEXT = "a & b < c > \"quoted\" 'single' Grüße €"
XSI_DECLARATION = 'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"'
ALL_ABSENT = "count=(absent); ratio=(absent); flag=(absent); when=(absent); name=(absent)"


def prefixed_items(type_name, values):
    """Array items as the library's serializer writes them over plain HTTP."""
    return "".join(f'<SOAPSDK1:{type_name} xmlns:SOAPSDK1="{NS}">{value}</SOAPSDK1:{type_name}>'
                   for value in values)


def unprefixed_items(type_name, values):
    """Array items as they leave the gateway, the toolkit prefix removed."""
    return "".join(f'<{type_name} xmlns="{NS}">{value}</{type_name}>' for value in values)


# (method, argument elements, expected result text)
CALLS = [
    ("Add", "<xs:a>2</xs:a><xs:b>3</xs:b>", "5"),
    ("Echo", f"<xs:text>{escape(ECHO_TEXT)}</xs:text>", ECHO_TEXT),
    ("Sum", f"<xs:values>{prefixed_items('long', (3, 4))}</xs:values>", "7"),
    ("Sum", f"<xs:values>{unprefixed_items('long', (3, 4))}</xs:values>", "7"),
    ("Join", f"<xs:values>{prefixed_items('string', ('x', 'y z'))}</xs:values>", "x,y z"),
    ("Join", f"<xs:values>{unprefixed_items('string', ('x', '&amp;'))}</xs:values>", "x,&"),
    ("Sleep", "<xs:ms>10</xs:ms>", "10"),
    ("Scale", "<xs:value>1234567890123</xs:value><xs:factor>-2</xs:factor>", "-2469135780246"),
    ("Describe", "<xs:count>3</xs:count><xs:ratio>2.5</xs:ratio><xs:flag>true</xs:flag>"
                 "<xs:when>2024-01-02T03:04:05</xs:when><xs:name>Grüße</xs:name>",
     "count=3; ratio=2.5; flag=true; when=2024-01-02T03:04:05; name=Grüße"),
    ("Describe", "<xs:count/><xs:ratio/><xs:flag></xs:flag><xs:when/><xs:name/>",
     "count=(empty); ratio=(empty); flag=(empty); when=(empty); name=(empty)"),
    ("Describe", f'<xs:count xsi:nil="true" {XSI_DECLARATION}/><xs:name>x</xs:name>',
     "count=(nil); ratio=(absent); flag=(absent); when=(absent); name=x"),
    ("Describe", "", ALL_ABSENT),
]

VALIDATION_FAULT = "soap11env:Client.SchemaValidationError"
# (method, argument elements, expected faultcode, expected faultstring or None)
FAULTS = [
    ("Fail", "<xs:message>it broke &amp; &lt;why&gt;</xs:message>",
     "soap11env:Server", "it broke & <why>"),
    ("Add", "<xs:a>2</xs:a><xs:b>3</xs:b><xs:c>4</xs:c>", VALIDATION_FAULT, None),
    ("Add", "<xs:a>two</xs:a><xs:b>3</xs:b>", VALIDATION_FAULT, None),
    ("Add", "<xs:a/><xs:b>3</xs:b>", VALIDATION_FAULT, None),
    ("Add", "<xs:b>3</xs:b>", VALIDATION_FAULT, None),
    ("Sum", f"<xs:values>{prefixed_items('string', ('x',))}</xs:values>", VALIDATION_FAULT, None),
    ("Describe", "<xs:count>3.5</xs:count>", VALIDATION_FAULT, None),
    ("NoSuchMethod", "", VALIDATION_FAULT, None),
    ("GetTable", "<xs:rows>-1</xs:rows>", "soap11env:Client", "rows must not be negative"),
]

SCHEMA_XML = (
    '<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema"'
    ' xmlns:msdata="urn:schemas-microsoft-com:xml-msdata" id="NewDataSet">'
    '<xs:element name="NewDataSet" msdata:IsDataSet="true"><xs:complexType>'
    '<xs:choice minOccurs="0" maxOccurs="unbounded"><xs:element name="Table"><xs:complexType>'
    '<xs:sequence><xs:element name="Id" type="xs:int" minOccurs="0"/>'
    '<xs:element name="Name" type="xs:string" minOccurs="0"/>'
    '<xs:element name="Price" type="xs:double" minOccurs="0"/></xs:sequence>'
    '</xs:complexType></xs:element></xs:choice></xs:complexType></xs:element></xs:schema>')
DIFFGRAM_START = ('<diffgr:diffgram xmlns:msdata="urn:schemas-microsoft-com:xml-msdata"'
                  ' xmlns:diffgr="urn:schemas-microsoft-com:xml-diffgram-v1">')
TABLE_ROWS = {
    0: "<NewDataSet/>",
    1: '<NewDataSet><Table diffgr:id="Table1" msdata:rowOrder="0"><Id>1</Id>'
       '<Name>Item 1</Name><Price>1.25</Price></Table></NewDataSet>',
    2: '<NewDataSet><Table diffgr:id="Table1" msdata:rowOrder="0"><Id>1</Id>'
       '<Name>Item 1</Name><Price>1.25</Price></Table>'
       '<Table diffgr:id="Table2" msdata:rowOrder="1"><Id>2</Id>'
       '<Name>Item 2</Name><Price>2.5</Price></Table></NewDataSet>',
}

# Parameters as the WSDL must declare them: (name, type), in order.
DECLARED_PARAMETERS = {
    "Add": [("a", "xs:int"), ("b", "xs:int")],
    "Echo": [("text", "xs:string")],
    "Sum": [("values", "tns:longArray")],
    "Join": [("values", "tns:stringArray")],
    "Describe": [("count", "xs:int"), ("ratio", "xs:double"), ("flag", "xs:boolean"),
                 ("when", "xs:dateTime"), ("name", "xs:string")],
    "Scale": [("value", "xs:long"), ("factor", "xs:short")],
    "GetTable": [("rows", "xs:int")],
    "GetTableResponse": [("GetTableResult", "tns:DataSet")],
}


def library_request(method, arguments):
    """A request shaped as the library writes it: method and arguments in the
    service namespace under the prefix "xs"."""
    return (f'<soap:Envelope xmlns:soap="{SOAP_ENV}"><soap:Body>'
            f'<xs:{method} xmlns:xs="{NS}">{arguments}</xs:{method}>'
            f"</soap:Body></soap:Envelope>").encode("utf-8")


def call(port, method, arguments):
    headers = [("Content-Type", "text/xml; charset=utf-8"), ("SOAPAction", f'"{NS}{method}"')]
    return exchange(port, "/", library_request(method, arguments), headers)


def result_text(reply, method):
    expect(reply.status == 200, f"{method}: HTTP {reply.status}: {reply.body[:300]!r}")
    result = etree.fromstring(reply.body).find(f".//{{{NS}}}{method}Result")
    expect(result is not None, f"{method}: no {method}Result in {reply.body[:300]!r}")
    return result.text or ""


def check_library_shaped_calls(port):
    for method, arguments, expected in CALLS:
        text = result_text(call(port, method, arguments), method)
        expect(text == expected, f"{method}({arguments}) gave {text!r}, not {expected!r}")


def check_faults(port):
    for method, arguments, faultcode, faultstring in FAULTS:
        reply = call(port, method, arguments)
        expect(reply.status == 500, f"{method}({arguments}): HTTP {reply.status}, not 500")
        expect(reply.headers.get("content-type") == "text/xml; charset=utf-8",
               f"{method}: fault sent as {reply.headers.get('content-type')!r}")
        fault = etree.fromstring(reply.body).find(f".//{{{SOAP_ENV}}}Fault")
        expect(fault is not None, f"{method}({arguments}): no Fault in {reply.body[:300]!r}")
        expect(fault.findtext("faultcode") == faultcode,
               f"{method}({arguments}): faultcode {fault.findtext('faultcode')!r}")
        if faultstring is not None:
            expect(fault.findtext("faultstring") == faultstring,
                   f"{method}: faultstring {fault.findtext('faultstring')!r}")


def check_table_bytes(port):
    for rows, row_xml in TABLE_ROWS.items():
        reply = call(port, "GetTable", f"<xs:rows>{rows}</xs:rows>")
        expected = (f"<tns:GetTableResult>{SCHEMA_XML}{DIFFGRAM_START}{row_xml}"
                    f"</diffgr:diffgram></tns:GetTableResult>").encode("ascii")
        expect(reply.status == 200 and expected in reply.body,
               f"GetTable({rows}) sent {reply.body!r}")


def check_wsdl(port):
    reply = exchange(port, "/?WSDL")
    expect(reply.status == 200, f"WSDL: HTTP {reply.status}")
    wsdl = etree.fromstring(reply.body)
    address = wsdl.find(f"{{{WSDL_NS}}}service[@name='SampleService']/{{{WSDL_NS}}}port/"
                        f"{{{WSDL_SOAP_NS}}}address")
    expect(address is not None and address.get("location") == f"http://{LOOPBACK}:{port}/",
           "the WSDL does not name this service's own loopback address")
    for type_name, parameters in DECLARED_PARAMETERS.items():
        declared = [(element.get("name"), element.get("type")) for element in wsdl.iterfind(
            f".//{{{XS_NS}}}complexType[@name='{type_name}']/{{{XS_NS}}}sequence/{{{XS_NS}}}element")]
        expect(declared == parameters, f"{type_name} declares {declared}")
    dataset_any = wsdl.find(f".//{{{XS_NS}}}complexType[@name='DataSet']/{{{XS_NS}}}sequence/"
                            f"{{{XS_NS}}}any")
    expect(dataset_any is not None, "DataSet is not a complex type holding xs:any")


def zeep_client(port):
    session = requests.Session()
    session.trust_env = False  # no proxy from the environment on loopback
    return zeep.Client(f"http://{LOOPBACK}:{port}/?wsdl",
                       transport=zeep.Transport(session=session, timeout=15, operation_timeout=15))


def check_zeep_calls(port):
    service = zeep_client(port).service
    expect(service.Add(2, 3) == 5, "zeep: Add(2, 3)")
    expect(service.Echo(ECHO_TEXT) == ECHO_TEXT, "zeep: Echo")
    expect(service.Sum({"long": [3, 4]}) == 7, "zeep: Sum")
    expect(service.Join({"string": ["x", "y"]}) == "x,y", "zeep: Join")
    expect(service.Scale(5, 3) == 15, "zeep: Scale")
    expect(service.Describe() == ALL_ABSENT, "zeep: Describe without arguments")
    try:
        service.Fail("zeep fault")
    except zeep.exceptions.Fault as fault:
        expect(fault.message == "zeep fault", f"zeep: fault message {fault.message!r}")
    else:
        raise CheckFailed("zeep: Fail returned instead of raising the fault")
    schema, diffgram = service.GetTable(2)
    expect([row["Table"]["Name"] for row in diffgram["_value_1"]] == ["Item 1", "Item 2"],
           f"zeep: GetTable rows {diffgram}")


def check_slow_call_leaves_others_alone(port):
    sleeper = threading.Thread(target=call, args=(port, "Sleep", "<xs:ms>3000</xs:ms>"))
    sleeper.start()
    try:
        time.sleep(0.3)  # lets the Sleep request reach the server first
        expect(result_text(call(port, "Add", "<xs:a>1</xs:a><xs:b>1</xs:b>"), "Add") == "2",
               "Add during Sleep")
        expect(sleeper.is_alive(), "Add was answered only after Sleep ended")
    finally:
        sleeper.join(10)


def check_keep_alive(port):
    connection = http.client.HTTPConnection(LOOPBACK, port, timeout=15)
    try:
        sockets = []
        for _ in range(2):
            connection.request("POST", "/", library_request("Add", "<xs:a>2</xs:a><xs:b>3</xs:b>"),
                               {"Content-Type": "text/xml; charset=utf-8"})
            response = connection.getresponse()
            expect(response.status == 200 and b">5<" in response.read(), "Add over keep-alive")
            sockets.append(connection.sock)
        expect(sockets[0] is not None and sockets[0] is sockets[1],
               "the server closed a kept-alive connection")
    finally:
        connection.close()


def with_schema_sorted(wsdl_bytes):
    """spyne lists schema types in an order that can change from one run to the
    next; sorted by kind and name, two WSDLs compare by content."""
    root = etree.fromstring(wsdl_bytes)
    for schema in root.iter(f"{{{XS_NS}}}schema"):
        schema[:] = sorted(schema, key=lambda child: (child.tag, child.get("name", "")))
    return etree.tostring(root, method="c14n")


def check_bench_data_is_current(port):
    answer = call(port, "Add", "<xs:a>2</xs:a><xs:b>3</xs:b>").body
    expect(answer == (BENCH_DATA / "add_response.xml").read_bytes(),
           "bench/data/add_response.xml differs from the service's Add(2, 3) answer")
    wsdl = exchange(port, "/?wsdl").body.replace(
        f"http://{LOOPBACK}:{port}/".encode("ascii"), SAVED_WSDL_ADDRESS.encode("ascii"))
    saved = (BENCH_DATA / "sample.wsdl").read_bytes()
    expect(with_schema_sorted(wsdl) == with_schema_sorted(saved),
           "bench/data/sample.wsdl differs from the service's WSDL")


CHECKS = [check_wsdl, check_library_shaped_calls, check_faults, check_table_bytes,
          check_zeep_calls, check_slow_call_leaves_others_alone, check_keep_alive,
          check_bench_data_is_current]
