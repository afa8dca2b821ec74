' Calls the sample service over standard SOAP/HTTP from VBScript.
' Arguments: the sample service's port, the canned server's port.
Option Explicit
Dim failures : failures = 0
Dim caller, sample, canned, xml, text
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

sample = "http://127.0.0.1:" & WScript.Arguments(0) & "/"
canned = "http://127.0.0.1:" & WScript.Arguments(1)
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
caller.SoapTransportProtocol = 1
caller.Timeout = 10000

xml = caller.Execute(sample, "Add", Array("a", "b"), Array(2, 3))
Check Err.Number = 0, "Add: " & Err.Description
Check InStr(xml, "AddResult>5</") > 0, "Add(2, 3) returns 5: " & xml
Err.Clear

' Non-ASCII text is built from ANSI (cp1252) characters: this file is read as
' ANSI, and Wine's VBScript has no ChrW.
text = "a & b < c > ""d"" Gr" & Chr(252) & Chr(223) & "e " & Chr(128)
Dim document
Set document = caller.Execute2(sample, "Echo", "text", Array(text))
Check Err.Number = 0, "Echo: " & Err.Description
Check document.documentElement.text = text, "Echo round-trips the text"
Err.Clear

xml = caller.Execute(sample, "Sum", "values", Array(Array(CLng(3), CLng(4))))
Check InStr(xml, "SumResult>7</") > 0, "Sum(3, 4) returns 7: " & xml
Err.Clear

xml = caller.Execute(sample, "Fail", "message", Array("on purpose"))
Check Err.Number = 0, "a fault is a successful call: " & Err.Description
Check InStr(xml, "on purpose") > 0, "the fault is in the document"
Err.Clear

caller.Compression = 1
xml = caller.Execute(canned & "/gzip", "Add")
Check InStr(xml, "AddResult>5</") > 0, "a gzip answer is decoded: " & xml
caller.Compression = 0
Err.Clear

' The fixed text comes first, for callers that compare it; the cause follows.
Const Failed = "HTTP/Timeout/Network problem: "
Dim failing, tried : tried = 0
For Each failing In Array("http://127.0.0.1:9/", canned & "/html404", canned & "/empty", canned & "/cut")
    xml = caller.Execute(failing, "Add")
    Check Err.Number <> 0, failing & " must fail"
    Check Left(Err.Description, Len(Failed)) = Failed And Len(Err.Description) > Len(Failed), _
          failing & ": Err.Description is " & Err.Description
    Err.Clear
    tried = tried + 1
Next
Check tried = 4, "every failing endpoint was tried"

caller.Timeout = 1000
xml = caller.Execute(sample, "Sleep", "ms", Array(CLng(8000)))
Check Err.Description = Failed & "time-out after 1000 ms", "a slow service times out: " & Err.Description
Err.Clear

If failures > 0 Then WScript.Quit 1
WScript.Echo "call_standard_http.vbs: all checks passed"
WScript.Quit 0
