' A desktop client behind the balancer: calls Add over the gateway named by
' NXCOMM_GATEWAY (HAProxy in front of several nxcommd) until the stop file
' appears, while the test drains, kills and restarts gateways behind it.
' Prints one line per failed call and a closing count; the test judges them.
' Arguments: the sample service's port, the stop file (a Windows path).
Option Explicit
Dim caller, fso, url, stopFile, calls, failed, xml, a
On Error Resume Next

Set fso = CreateObject("Scripting.FileSystemObject")
url = "http://127.0.0.1:" & WScript.Arguments(0) & "/"
stopFile = WScript.Arguments(1)
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
If Err.Number <> 0 Then
    WScript.Echo "FAILED: cannot create the caller: " & Err.Description
    WScript.Quit 1
End If
caller.Timeout = 10000

calls = 0 : failed = 0
Do While Not fso.FileExists(stopFile) And calls < 20000
    calls = calls + 1
    a = calls Mod 1000
    Err.Clear
    xml = caller.Execute(url, "Add", Array("a", "b"), Array(a, 1))
    If Err.Number <> 0 Then
        failed = failed + 1
        WScript.Echo "call " & calls & " failed: " & Err.Description
    ElseIf InStr(xml, "AddResult>" & (a + 1) & "</") = 0 Then
        failed = failed + 1
        WScript.Echo "call " & calls & " wrong answer: " & Left(Replace(Replace(xml, vbCr, ""), vbLf, " "), 600)
    End If
Loop
WScript.Echo "calls " & calls & " failed " & failed
WScript.Quit 0
