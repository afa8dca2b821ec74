' Calls over the default transport, through the gateway, from VBScript: the
' sample service's answers, and transport failures as SOAP faults.
' Arguments: the sample service's port, the canned server's port.
Option Explicit
Dim failures : failures = 0
Dim caller, sample, canned, xml, document, text
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
caller.Timeout = 10000

xml = caller.Execute(sample, "Add", Array("a", "b"), Array(2, 3))
Check Err.Number = 0 And InStr(xml, "AddResult>5</") > 0, "Add over the gateway: " & Err.Description & xml
Err.Clear

text = "a & b Gr" & Chr(252) & Chr(223) & "e " & Chr(128)
Set document = caller.Execute2(sample, "Echo", "text", Array(text))
Check document.documentElement.text = text, "Echo round-trips non-ASCII text over the gateway"
Err.Clear

xml = caller.Execute(sample, "Sum", "values", Array(Array(CLng(3), CLng(4))))
Check InStr(xml, "SumResult>7</") > 0, "Sum over the gateway: " & xml
Err.Clear

caller.Compression = 1
xml = caller.Execute(canned & "/chunked-deflate", "Add")
Check InStr(xml, "AddResult>5</") > 0, "a chunked, deflated answer: " & xml
caller.Compression = 0
Err.Clear

xml = caller.Execute("http://127.0.0.1:9/", "Add")
Check Err.Number = 0 And InStr(xml, "Bad Gateway") > 0, "a refused target is a fault with the gateway's heading: " & xml
Err.Clear

xml = caller.Execute("http://127.0.0.2:8080/", "Add")
Check InStr(xml, "Forbidden") > 0, "a target outside the allow-list: " & xml
Err.Clear

caller.Timeout = 1000
xml = caller.Execute(sample, "Sleep", "ms", Array(CLng(5000)))
Check Err.Number = 0 And InStr(xml, "Norvexa Timeout") > 0, "a time-out is a fault in a successful call: " & xml
Err.Clear

If failures > 0 Then WScript.Quit 1
WScript.Echo "call_gateway.vbs: all checks passed"
WScript.Quit 0
