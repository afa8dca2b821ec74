// The user guide's first call from JScript.
// Usage: cscript //nologo first_call.js http://server/service/
var url = WScript.Arguments(0);
var caller = new ActiveXObject("NvxWebSvc.ComWebSvc");
caller.SoapTransportProtocol = 1;  // standard SOAP/HTTP
caller.Timeout = 10000;            // ms
// JScript has no arrays of VARIANTs of its own; a Scripting.Dictionary's Keys()
// and Items() are exactly those.
var names = new ActiveXObject("Scripting.Dictionary");
names.Add("a", 2);
names.Add("b", 3);
WScript.Echo(caller.Execute(url, "Add", names.Keys(), names.Items()));  // the answer's XML
