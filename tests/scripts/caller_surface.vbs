' The caller object as VBScript sees it: creation by both ProgIDs, defaults,
' properties, and argument checking by the dispatch layer.
Option Explicit
Dim failures : failures = 0
Dim caller, other, value
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Set caller = CreateObject("NvxWebSvc.ComWebSvc")
Check Err.Number = 0, "CreateObject(NvxWebSvc.ComWebSvc): " & Err.Description
Err.Clear
Set other = CreateObject("NvxWebSvc.ComWebSvc.1")
Check Err.Number = 0, "CreateObject(NvxWebSvc.ComWebSvc.1): " & Err.Description
Err.Clear

Check caller.Compression = 0, "default Compression"
Check caller.SoapTransportProtocol = 0, "default SoapTransportProtocol"
Check caller.Timeout = -1, "default Timeout"
Check caller.UseDefaultProxy = 0, "default UseDefaultProxy"
Check Right(caller.NameSpace, 13) = "/webservices/", "default NameSpace ends with /webservices/"
Check Err.Number = 0, "reading the defaults: " & Err.Description
Err.Clear

caller.Compression = 1
caller.SoapTransportProtocol = 1
caller.Timeout = 5000
caller.UseDefaultProxy = 1
caller.NameSpace = "urn:example:ns"
Check Err.Number = 0, "writing the properties: " & Err.Description
Err.Clear
Check caller.Compression = 1, "Compression round trip"
Check caller.SoapTransportProtocol = 1, "SoapTransportProtocol round trip"
Check caller.Timeout = 5000, "Timeout round trip"
Check caller.UseDefaultProxy = 1, "UseDefaultProxy round trip"
Check caller.NameSpace = "urn:example:ns", "NameSpace round trip"
Check other.Timeout = -1, "objects do not share settings"

' Two arguments: the optional names and values arrive as missing.
caller.Timeout = 2000
value = caller.Execute("http://127.0.0.1:9/", "Add")
Check Err.Number <> 450 And Err.Number <> 13 And Err.Number <> 438, _
      "Execute with two arguments must reach the object, got " & Err.Number & " " & Err.Description
Err.Clear

value = caller.AnonymousCall("http://127.0.0.1:9/", "Add")
Check Err.Number = 450, "AnonymousCall with two arguments must be refused as a wrong argument count, got " & Err.Number
Err.Clear

' The WSDL reader is an automation object over either transport: a member it
' does not offer to scripts is refused cleanly.
Dim reader, transport
For Each transport In Array(0, 1)
    caller.SoapTransportProtocol = transport
    Set reader = caller.WSDLReader
    Check Err.Number = 0, "WSDLReader over transport " & transport & ": " & Err.Description
    Err.Clear
    reader.Load "http://127.0.0.1:9/?wsdl", ""
    Check Err.Number = 438, "reader.Load over transport " & transport & " must be refused, got " & Err.Number
    Err.Clear
Next
caller.SoapTransportProtocol = 0
caller.WSDLReader.Timeout = 5000
Check Err.Number = 0, "the gateway reader takes its Timeout from a script: " & Err.Description
Err.Clear

If failures > 0 Then WScript.Quit 1
WScript.Echo "caller_surface.vbs: all checks passed"
WScript.Quit 0
