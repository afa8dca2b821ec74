' Calls the sample service's Add and Echo over standard SOAP/HTTP.
' Usage: cscript //nologo standard_http_call.vbs <service url>
Option Explicit
Dim caller, url
On Error Resume Next

url = WScript.Arguments(0)
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
caller.SoapTransportProtocol = 1   ' SoapOverHTTP
caller.Timeout = 10000

WScript.Echo "Add(2, 3)          = " & ResultOf(caller, url, "Add", Array("a", "b"), Array(2, 3))
WScript.Echo "Echo(""Hello, SOAP"") = " & ResultOf(caller, url, "Echo", "text", Array("Hello, SOAP"))
WScript.Quit 0

' The text of the first result element of a call's response document.
Function ResultOf(caller, url, method, names, values)
    Dim document
    Set document = caller.Execute2(url, method, names, values)
    If Err.Number <> 0 Then Fail method
    ResultOf = document.documentElement.firstChild.firstChild.firstChild.text
End Function

Sub Fail(what)
    WScript.Echo "FAILED: " & what & ": " & Err.Description
    WScript.Quit 1
End Sub
