' Calls a service knowing only its address: AnonymousCall reads its WSDL,
' binds the arguments by name and type, and returns a data set as a table.
' Usage: cscript //nologo anonymous_table.vbs <service url> [rows]
Option Explicit
Dim caller, url, rows, table, r, c, line
On Error Resume Next

url = WScript.Arguments(0)
rows = 3
If WScript.Arguments.Count > 1 Then rows = CLng(WScript.Arguments(1))
Set caller = CreateObject("NvxWebSvc.ComWebSvc")

WScript.Echo "Describe(name:=""demo"", count:=7, flag:=True), arguments in any order:"
WScript.Echo "  " & caller.AnonymousCall(url, "Describe", Array("name", "count", "flag"), Array("demo", 7, True))
If Err.Number <> 0 Then Fail "Describe"

table = caller.AnonymousCall(url, "GetTable", "rows", Array(rows))
If Err.Number <> 0 Then Fail "GetTable"
WScript.Echo "GetTable(" & rows & ") as a table:"
For r = 0 To UBound(table, 1)
    line = ""
    For c = 0 To UBound(table, 2)
        line = line & Left(table(r, c) & Space(12), 12)
    Next
    WScript.Echo "  " & line
Next
WScript.Quit 0

Sub Fail(what)
    WScript.Echo "FAILED: " & what & ": " & Err.Description & " (0x" & Hex(Err.Number) & ")"
    WScript.Quit 1
End Sub
