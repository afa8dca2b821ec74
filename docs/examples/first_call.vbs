' The user guide's first call from VBScript.
' Usage: cscript //nologo first_call.vbs http://server/service/
Dim url, caller
url = WScript.Arguments(0)
Set caller = CreateObject("NvxWebSvc.ComWebSvc")
caller.SoapTransportProtocol = 1                      ' standard SOAP/HTTP
caller.NameSpace = "http://www.norvexa.com/webservices/"  ' the service's target namespace
caller.Timeout = 10000                                ' ms
WScript.Echo caller.Execute(url, "Add", Array("a", "b"), Array(2, 3))        ' the answer's XML
WScript.Echo caller.AnonymousCall(url, "Add", Array("a", "b"), Array(2, 3))  ' 5, bound by name
