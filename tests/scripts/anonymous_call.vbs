' The WSDL-driven call from VBScript: typed arguments by name, a plain result,
' tables of no, one and two rows, a fault and an unknown method.
' Arguments: the sample service's port, the canned server's port.
Option Explicit
Dim failures : failures = 0
Dim caller, url, result, table
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

url = "http://127.0.0.1:" & WScript.Arguments(0) & "/"
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
caller.SoapTransportProtocol = 1   ' standard SOAP/HTTP: the WSDL-driven call follows the transport

result = caller.AnonymousCall(url, "Add", Array("b", "a"), Array(3, 2))
Check Err.Number = 0 And result = 5, "Add by name returns 5, got " & result & " " & Err.Description
Err.Clear

result = caller.AnonymousCall(url, "Describe", Array("flag", "count", "Name"), Array(True, 7, "ignored"))
Check InStr(result, "count=7") > 0 And InStr(result, "flag=true") > 0, "Describe binds by name: " & result
Check InStr(result, "name=ignored") = 0, "names differ in case: " & result
Err.Clear

table = caller.AnonymousCall(url, "GetTable", "rows", Array(0))
Check Err.Number = 0, "GetTable(0): " & Err.Description
Check UBound(table) = 2 And table(0) = "Id" And table(2) = "Price", "no rows: the three column names"
Err.Clear

table = caller.AnonymousCall(url, "GetTable", "rows", Array(2))
Check UBound(table, 1) = 2 And UBound(table, 2) = 2, "two rows: a 3 x 3 table"
Check table(0, 1) = "Name" And table(2, 1) = "Item 2", "header row, then the rows: " & table(2, 1)
Err.Clear

result = caller.AnonymousCall(url, "Fail", "message", Array("refused"))
Check Err.Number <> 0, "a fault fails the call"
Err.Clear

result = caller.AnonymousCall(url, "NoSuchMethod", "a", Array(1))
Check Err.Number = 0 And IsEmpty(result), "an unknown method gives nothing"
Err.Clear

If failures > 0 Then WScript.Quit 1
WScript.Echo "anonymous_call.vbs: all checks passed"
WScript.Quit 0
