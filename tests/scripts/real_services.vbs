' The WSDL-driven call against services nobody here wrote (the gSOAP peer:
' rpc/encoded, document/literal, SOAP 1.2 only), over standard SOAP/HTTP and
' over the gateway: arrays, structures, multi-references, typed results,
' complex arguments, faults and refused arguments.
' Arguments: the sample service's port, the canned server's port, the gSOAP
' peer's port, the corpus peer's port.
Option Explicit
Dim failures : failures = 0
Dim caller, base, transport, style, result, person, table
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

' Runs one call; the result, or Empty with Err set.
Function CallOf(path, method, names, values)
    Err.Clear
    CallOf = Empty
    result = caller.AnonymousCall(base & path, method, names, values)
    If IsObject(result) Then Set CallOf = result Else CallOf = result
End Function

Function Where(path, method)
    Where = "[" & transport & "] " & path & " " & method & ": "
End Function

Sub ExpectText(path, method, names, values, expected)
    Dim value : value = CallOf(path, method, names, values)
    Check Err.Number = 0 And VarType(value) = vbString, Where(path, method) & "no text: " & Err.Description
    If VarType(value) = vbString Then Check value = expected, Where(path, method) & "'" & value & "' <> '" & expected & "'"
End Sub

Sub ExpectList(path, method, names, values, count)
    Dim value, i : value = CallOf(path, method, names, values)
    Check Err.Number = 0 And IsArray(value), Where(path, method) & "no array: " & Err.Description
    If Not IsArray(value) Then Exit Sub
    Check UBound(value) = count - 1, Where(path, method) & "length " & (UBound(value) + 1)
    For i = 0 To UBound(value)
        Check value(i) = "item " & (i + 1), Where(path, method) & "element " & i & " is " & value(i)
    Next
End Sub

' A table: row 0 the field names name, age, height; `names` the names of the rows that follow.
Sub ExpectPeople(path, method, argNames, values, names)
    Dim value, r : value = CallOf(path, method, argNames, values)
    Check Err.Number = 0 And IsArray(value), Where(path, method) & "no table: " & Err.Description
    If Not IsArray(value) Then Exit Sub
    Check UBound(value, 1) = UBound(names) + 1 And UBound(value, 2) = 2, Where(path, method) & "shape"
    Check value(0, 0) = "name" And value(0, 1) = "age" And value(0, 2) = "height", Where(path, method) & "header row"
    For r = 0 To UBound(names)
        Check value(r + 1, 0) = names(r), Where(path, method) & "row " & (r + 1) & " is " & value(r + 1, 0)
    Next
End Sub

Sub ExpectFailure(path, method, names, values, description, source)
    Dim value : value = CallOf(path, method, names, values)
    Check Err.Number <> 0, Where(path, method) & "did not fail"
    Check InStr(Err.Description, description) > 0, Where(path, method) & "description '" & Err.Description & "'"
    Check InStr(Err.Source, source) > 0, Where(path, method) & "source '" & Err.Source & "'"
End Sub

base = "http://127.0.0.1:" & WScript.Arguments(2)
Dim corpus : corpus = "http://127.0.0.1:" & WScript.Arguments(3)
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
ReDim person(1, 2)
person(0, 0) = "name" : person(0, 1) = "age" : person(0, 2) = "height"
person(1, 0) = "Ada" : person(1, 1) = 30 : person(1, 2) = "1.5"

For Each transport In Array(1, 0)
    caller.SoapTransportProtocol = transport
    caller.Timeout = 10000
    ' rpc/encoded: a SOAP-encoded string[], an array of structures whose first
    ' element gSOAP sends twice by reference, a typed result, a fault.
    ExpectList "/rpc", "getList", "count", Array(3), 3
    ExpectPeople "/rpc", "getPeople", "count", Array(4), Array("Ada", "Brian", "Claude", "Ada")
    ExpectFailure "/rpc", "fail", "message", Array("x"), "Fail: on purpose", "Client"
    result = CallOf("/rpc", "add", Array("a", "b"), Array("1.5", 2.25))
    Check Err.Number = 0 And VarType(result) = vbSingle And result = 3.75, Where("/rpc", "add") & "a Single 3.75"
    ' document/literal with unqualified members: a structure argument as a
    ' table or as XML text, anything else refused before sending.
    ExpectText "/literal", "describe", "person", Array(person), "Ada is 30 and 1.50 m tall"
    ExpectText "/literal", "describe", "person", Array("<name>Bo</name><age>7</age><height>1</height>"), _
               "Bo is 7 and 1.00 m tall"
    ExpectFailure "/literal", "describe", "person", Array(5), "argument person", "AnonymousCall"
    ExpectFailure "/literal", "fail", "message", Array("x"), "Fail: on purpose", "Client"
    ' A service bound to SOAP 1.2 alone.
    ExpectText "/soap12", "echo", "text", Array("over SOAP 1.2"), "over SOAP 1.2"
    ' A real-world description (SOAP 1.1 and 1.2 ports, an HTTP binding) served
    ' by node-soap: its structure result as a table of one row.
    result = caller.AnonymousCall(corpus & "/blz_service", "getBank", "blz", Array("10070000"))
    Check Err.Number = 0 And IsArray(result), "[" & transport & "] getBank: no table: " & Err.Description
    If IsArray(result) Then Check result(0, 0) = "bezeichnung" And result(1, 0) = "Bank 10070000", _
                               "[" & transport & "] getBank: " & result(0, 0) & "=" & result(1, 0)
    Err.Clear
    result = CallOf("/soap12", "missing", "text", Array("x"))
    Check Err.Number = 0 And IsEmpty(result), Where("/soap12", "missing") & "an operation the WSDL lacks gives Empty"
Next

If failures > 0 Then WScript.Quit 1
WScript.Echo "real_services.vbs: all checks passed"
WScript.Quit 0
