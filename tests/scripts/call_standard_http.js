// Calls the sample service over standard SOAP/HTTP from JScript.
// Arguments: the sample service's port, the canned server's port.
// JScript has no arrays of VARIANTs of its own; a Scripting.Dictionary's Keys()
// and Items() give exactly those, so names and values come from one.
var failures = 0;
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        failures++;
    }
}
function arguments_(pairs) {
    var dictionary = new ActiveXObject("Scripting.Dictionary");
    for (var i = 0; i < pairs.length; i += 2) dictionary.Add(pairs[i], pairs[i + 1]);
    return dictionary;
}

try {
    var sample = "http://127.0.0.1:" + WScript.Arguments(0) + "/";
    var caller = new ActiveXObject("NvxWebSvc.ComWebSvc");
    caller.SoapTransportProtocol = 1;
    caller.Timeout = 10000;

    var add = arguments_(["a", 2, "b", 3]);
    var xml = caller.Execute(sample, "Add", add.Keys(), add.Items());
    check(xml.indexOf("AddResult>5</") >= 0, "Add(2, 3) returns 5: " + xml);

    var text = "a & b < c > \"d\" Gr\u00fc\u00dfe \u20ac";
    var echo = arguments_(["text", text]);
    var document = caller.Execute2(sample, "Echo", echo.Keys(), echo.Items());
    check(document.documentElement.text == text, "Echo round-trips the text");

    var reader = caller.Execute3(sample, "Fail", "message", arguments_(["message", "on purpose"]).Items());
    check(reader.Fault != null, "the fault is read through the reader");
    check(reader.FaultString.text == "on purpose", "its faultstring");

    try {
        caller.Execute("http://127.0.0.1:9/", "Add");
        check(false, "nothing listens: the call must fail");
    } catch (e) {
        check(e.description == "HTTP/Timeout/Network problem: connection refused by 127.0.0.1:9 (or it is unreachable)",
              "the failure text and its cause, got " + e.description);
    }
} catch (e) {
    check(false, "unexpected error " + e.number + " " + e.description);
}

if (failures > 0) WScript.Quit(1);
WScript.Echo("call_standard_http.js: all checks passed");
WScript.Quit(0);
