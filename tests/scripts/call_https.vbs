' HTTPS and credentials from VBScript: SOAP/HTTP against the TLS peers the
' tests start, and Basic credentials from the URL over both transports.
' Arguments: the sample service's port, the canned server's port, then the TLS
' peers' ports: trusted, wrong name, untrusted, expired.
Option Explicit
Dim failures : failures = 0
Dim caller, xml, i, peer, reasons, secure, protectedUrl
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Const Failed = "HTTP/Timeout/Network problem: "
' The test user; the password ("p" a-umlaut ":ss/w@rd") percent-encoded.
Const UserInfo = "alice:p%C3%A4%3Ass%2Fw%40rd@"

secure = "localhost:" & WScript.Arguments(2)
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
caller.SoapTransportProtocol = 1
caller.Timeout = 10000

xml = caller.Execute("https://" & secure & "/", "Add")
Check Err.Number = 0 And InStr(xml, "AddResult>5</") > 0, "Add over HTTPS: " & Err.Description & " " & xml
Err.Clear

reasons = Array("is not for localhost", "is not issued by a trusted authority", "expired on")
For i = 0 To 2
    peer = "https://localhost:" & WScript.Arguments(3 + i) & "/"
    xml = caller.Execute(peer, "Add")
    Check Err.Number <> 0, peer & " must be refused"
    Check Left(Err.Description, Len(Failed) + 4) = Failed & "TLS ", peer & ": " & Err.Description
    Check InStr(Err.Description, reasons(i)) > 0, peer & " names its reason: " & Err.Description
    Err.Clear
Next

xml = caller.Execute("https://" & UserInfo & secure & "/protected", "Add")
Check Err.Number = 0 And InStr(xml, "AddResult>5</") > 0, "Basic over HTTPS: " & Err.Description & " " & xml
Err.Clear
xml = caller.Execute("https://alice:wrong@" & secure & "/protected", "Add")
Check Err.Description = Failed & "HTTP status 401 Unauthorized", "a refusal is a 401: " & Err.Description
Err.Clear

' Over the gateway a refusal is a fault that names the 401.
caller.SoapTransportProtocol = 0
protectedUrl = "127.0.0.1:" & WScript.Arguments(1) & "/protected"
xml = caller.Execute("http://" & UserInfo & protectedUrl, "Add")
Check Err.Number = 0 And InStr(xml, "AddResult>5</") > 0, "Basic over the gateway: " & Err.Description & " " & xml
Err.Clear
xml = caller.Execute("http://alice:wrong@" & protectedUrl, "Add")
Check Err.Number = 0 And InStr(xml, "<faultstring>HTTP status 401 Unauthorized</faultstring>") > 0, _
      "a refusal over the gateway is a 401 fault: " & Err.Description & " " & xml
Err.Clear

If failures > 0 Then WScript.Quit 1
WScript.Echo "call_https.vbs: all checks passed"
WScript.Quit 0
