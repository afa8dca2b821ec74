' Creates the caller from a per-user registration and calls it: its settings,
' and a WSDL reader from the toolkit that was registered along with it.
Option Explicit
Dim failures : failures = 0
Dim caller, reader
On Error Resume Next

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Set caller = CreateObject("NvxWebSvc.ComWebSvc")
Check Err.Number = 0, "CreateObject: " & Err.Description
Err.Clear
caller.Timeout = 2500
caller.SoapTransportProtocol = 1
Check caller.Timeout = 2500 And caller.SoapTransportProtocol = 1, "settings round trip: " & Err.Description
Err.Clear
Set reader = caller.WSDLReader
Check Err.Number = 0 And Not reader Is Nothing, "the toolkit's WSDL reader: " & Err.Description

If failures > 0 Then WScript.Quit 1
WScript.Echo "per_user_call.vbs: all checks passed"
WScript.Quit 0
