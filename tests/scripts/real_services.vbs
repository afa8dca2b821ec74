' The WSDL-driven call against services nobody here wrote, over standard
' SOAP/HTTP and over the gateway: the gSOAP peers (rpc/encoded,
' document/literal with a header part, SOAP 1.2 alone) and the corpus of
' public WSDLs served by node-soap. Arrays, structures, multi-references,
' typed results, complex arguments, faults, imports, extended types, header
' parts and the older schema namespace, each as a user meets it.
' Arguments: the ports of the sample service, the canned server, the gSOAP
' rpc, literal and soap12 peers, and the corpus peer.
Option Explicit
Dim failures : failures = 0
Dim caller, transport, result, person, order
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Function Peer(index, path)
    Peer = "http://127.0.0.1:" & WScript.Arguments(index) & path
End Function

' Runs one call; the result, or Empty with Err set.
Function CallOf(url, method, names, values)
    Err.Clear
    CallOf = Empty
    result = caller.AnonymousCall(url, method, names, values)
    If IsObject(result) Then Set CallOf = result Else CallOf = result
End Function

Function Where(url, method)
    Where = "[" & transport & "] " & Mid(url, InStr(8, url, "/")) & " " & method & ": "
End Function

Sub ExpectValue(url, method, names, values, expected, kind)
    Dim value : value = CallOf(url, method, names, values)
    Check Err.Number = 0, Where(url, method) & "failed: " & Err.Description
    Check VarType(value) = kind, Where(url, method) & "type " & VarType(value) & " is not " & kind
    If VarType(value) = kind Then Check value = expected, Where(url, method) & "'" & value & "' <> '" & expected & "'"
End Sub

Sub ExpectText(url, method, names, values, expected)
    ExpectValue url, method, names, values, expected, vbString
End Sub

Sub ExpectList(url, method, names, values, count)
    Dim value, i : value = CallOf(url, method, names, values)
    Check Err.Number = 0 And IsArray(value), Where(url, method) & "no array: " & Err.Description
    If Not IsArray(value) Then Exit Sub
    Check UBound(value) = count - 1, Where(url, method) & "length " & (UBound(value) + 1)
    For i = 0 To UBound(value)
        Check value(i) = "item " & (i + 1), Where(url, method) & "element " & i & " is " & value(i)
    Next
End Sub

' A table whose row 0 holds `header` and whose column 0 holds `firsts`.
Sub ExpectTable(url, method, argNames, values, header, firsts)
    Dim value, r, c : value = CallOf(url, method, argNames, values)
    Check Err.Number = 0 And IsArray(value), Where(url, method) & "no table: " & Err.Description
    If Not IsArray(value) Then Exit Sub
    Check UBound(value, 1) = UBound(firsts) + 1 And UBound(value, 2) = UBound(header), Where(url, method) & "shape " _
          & UBound(value, 1) & "x" & UBound(value, 2)
    If UBound(value, 2) <> UBound(header) Then Exit Sub
    For c = 0 To UBound(header)
        Check value(0, c) = header(c), Where(url, method) & "column " & c & " is " & value(0, c)
    Next
    For r = 0 To UBound(firsts)
        If r + 1 <= UBound(value, 1) Then Check value(r + 1, 0) = firsts(r), Where(url, method) & "row " & (r + 1) _
                                                & " is " & value(r + 1, 0)
    Next
End Sub

Sub ExpectPeople(url, method, argNames, values, names)
    ExpectTable url, method, argNames, values, Array("name", "age", "height"), names
End Sub

Sub ExpectFailure(url, method, names, values, description, source)
    Dim value : value = CallOf(url, method, names, values)
    Check Err.Number <> 0, Where(url, method) & "did not fail"
    Check InStr(Err.Description, description) > 0, Where(url, method) & "description '" & Err.Description & "'"
    Check InStr(Err.Source, source) > 0, Where(url, method) & "source '" & Err.Source & "'"
End Sub

Dim rpc, literal, soap12, corpus
rpc = Peer(2, "/rpc") : literal = Peer(3, "/literal") : soap12 = Peer(4, "/soap12") : corpus = Peer(5, "")
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
ReDim person(1, 2)
person(0, 0) = "name" : person(0, 1) = "age" : person(0, 2) = "height"
person(1, 0) = "Ada" : person(1, 1) = 30 : person(1, 2) = "1.5"
ReDim order(1, 1)
order(0, 0) = "RecordSequenceID" : order(0, 1) = "UserIdType"
order(1, 0) = "seq-7" : order(1, 1) = 2

For Each transport In Array(1, 0)
    caller.SoapTransportProtocol = transport
    caller.Timeout = 10000

    ' Arrays and structures: a SOAP-encoded string[], repeated elements, one
    ' structure, an array of structures (its first element sent twice by
    ' reference), a structure that two parts refer to.
    ExpectList rpc, "getList", "count", Array(3), 3
    ExpectList literal, "getList", "count", Array(3), 3
    ExpectPeople rpc, "getPerson", "name", Array("Ada"), Array("Ada")
    ExpectPeople literal, "getPerson", "name", Array("Ada"), Array("Ada")
    ExpectPeople rpc, "getPeople", "count", Array(4), Array("Ada", "Brian", "Claude", "Ada")
    ExpectPeople literal, "getPeople", "count", Array(3), Array("Ada", "Brian", "Claude")
    ExpectPeople rpc, "getPair", "name", Array("Bo"), Array("Bo")
    ' A .NET structure holding an array of itself: the array as its XML text.
    ExpectTable corpus & "/asmx_nodes", "GetNodes", Empty, Empty, Array("Name", "Children"), Array("root")
    If IsArray(result) Then Check InStr(result(1, 1), "right") > 0, "[" & transport & "] GetNodes: " & result(1, 1)
    ' Axis2's structure under a wrapper.
    ExpectTable corpus & "/blz_service", "getBank", "blz", Array("10070000"), _
                Array("bezeichnung", "bic", "ort", "plz"), Array("Bank 10070000")

    ' Typed results: a float of gSOAP's, one under a schema's default
    ' namespace, one under the 2000/10 schema namespace (the first part of
    ' the answer is the result).
    ExpectValue rpc, "add", Array("a", "b"), Array("1.5", 2.25), 3.75, vbSingle
    ExpectValue literal, "add", Array("a", "b"), Array(1, 2), 3, vbSingle
    ExpectValue corpus & "/zeep_import/main", "GetLastTradePrice", "tickerSymbol", Array("NVX"), 42.5, vbSingle
    ExpectValue corpus & "/stockquote_2000", "GetLastTradePrice", "tickerSymbol", Array("NVX"), 42.5, vbSingle

    ' Faults and refused arguments.
    ExpectFailure rpc, "fail", "message", Array("x"), "Fail: on purpose", "Client"
    ExpectFailure literal, "fail", "message", Array("x"), "Fail: on purpose", "Client"
    ExpectFailure literal, "describe", "person", Array(5), "argument person", "AnonymousCall"
    ExpectFailure Peer(0, "/nowhere"), "Add", "a", Array(1), "could not be read", "AnonymousCall"

    ' Complex arguments, rpc/encoded and document/literal (members
    ' unqualified), as a table or as XML text.
    ExpectText rpc, "describe", "person", Array(person), "Ada is 30 and 1.50 m tall"
    ExpectText literal, "describe", "person", Array(person), "Ada is 30 and 1.50 m tall"
    ExpectText literal, "describe", "person", Array("<name>Bo</name><age>7</age><height>1</height>"), _
               "Bo is 7 and 1.00 m tall"

    ' Descriptions written as several documents: CXF's wsdl:import, zeep's
    ' wsdl:import then xsd:import (above), and a type extended from one
    ' imported twice over.
    ExpectValue corpus & "/cxf_split/main", "getLatestVersion", Empty, Empty, 20160501, vbLong
    ' WCF's data contracts and a schema's simple types, each in documents of
    ' their own (xsd:import, xsd:include).
    ExpectText corpus & "/wcf_farequote/main", "RetrieveFareQuoteDateRange", "RetrieveFareQuoteDateRangeRequest", _
               Array("<Origin>OSL</Origin><Destination>NCE</Destination>"), "fares from OSL to NCE"
    ExpectText corpus & "/xsd_include/main", "Dummy", Array("ID", "Name"), Array("12345", "Bo"), "dummy 12345 Bo"
    ExpectTable corpus & "/extension_base/main", "fooOp", "Name", Array("<name1>Bo</name1>"), Array("name1"), _
                Array("shipped by Bo")

    ' rpc/encoded from Axis-style WSDL, a header part sent in the header, a
    ' service bound to SOAP 1.2 alone.
    ExpectTable corpus & "/axis_rpc_encoded", "eOrderRelationUpdateNotify", "eOrderRelationUpdateNotifyRequest", _
                Array(order), Array("RecordSequenceID"), Array("done seq-7")
    ExpectText corpus & "/hello_rpc", "sayHello", "firstName", Array("Ada"), "Hello, Ada"
    ExpectText corpus & "/axis_logincms", "loginCms", "in0", Array("x"), "ticket for x"
    ExpectText literal, "whoami", Array("greeting", "user"), Array("Hello", "Ada"), "Hello, Ada"
    ExpectText soap12, "echo", "text", Array("over SOAP 1.2"), "over SOAP 1.2"
    ExpectValue corpus & "/gsoap_soap12_rpc", "pullFile", "params", Array("<url>u</url><fileName>a.txt</fileName>"), _
                True, vbBoolean

    ' An operation the WSDL lacks: Empty (the trace says why).
    result = CallOf(soap12, "missing", "text", Array("x"))
    Check Err.Number = 0 And IsEmpty(result), Where(soap12, "missing") & "an operation the WSDL lacks gives Empty"
Next

If failures > 0 Then WScript.Quit 1
WScript.Echo "real_services.vbs: all checks passed"
WScript.Quit 0
