' Creates the web-service caller and prints its settings.
' Usage: cscript //nologo caller_settings.vbs
Option Explicit
Dim caller
On Error Resume Next

Set caller = CreateObject("NvxWebSvc.ComWebSvc")
If Err.Number <> 0 Then Fail "cannot create NvxWebSvc.ComWebSvc"

WScript.Echo "Caller settings"
WScript.Echo "  NameSpace             = " & caller.NameSpace
WScript.Echo "  SoapTransportProtocol = " & caller.SoapTransportProtocol & "  (0 = gateway, 1 = SOAP/HTTP)"
WScript.Echo "  Compression           = " & caller.Compression & "  (0 = none, 1 = gzip)"
WScript.Echo "  Timeout               = " & caller.Timeout & "  (-1 = not set)"
WScript.Echo "  UseDefaultProxy       = " & caller.UseDefaultProxy
If Err.Number <> 0 Then Fail "cannot read the settings"

WScript.Quit 0

Sub Fail(what)
    WScript.Echo "FAILED: " & what & ": " & Err.Description & " (0x" & Hex(Err.Number) & ")"
    WScript.Quit 1
End Sub
