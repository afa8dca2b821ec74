// The caller object as JScript sees it: creation, defaults, properties and
// argument checking by the dispatch layer.
var failures = 0;
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        failures++;
    }
}
function hex(number) { return (number < 0 ? number + 0x100000000 : number).toString(16); }

try {
    var caller = new ActiveXObject("NvxWebSvc.ComWebSvc");
    check(caller.Compression == 0, "default Compression");
    check(caller.SoapTransportProtocol == 0, "default SoapTransportProtocol");
    check(caller.Timeout == -1, "default Timeout");
    check(/\/webservices\/$/.test(caller.NameSpace), "default NameSpace");

    caller.NameSpace = "urn:js";
    caller.Timeout = 2000;
    check(caller.NameSpace == "urn:js", "NameSpace round trip");
    check(caller.Timeout == 2000, "Timeout round trip");

    try {
        caller.Execute("http://127.0.0.1:9/", "Add");
    } catch (e) {
        // wrong argument count, type mismatch, no such member
        var code = hex(e.number);
        check(code != "8002000e" && code != "80020005" && code != "80020003",
              "Execute with two arguments must reach the object, got 0x" + code);
    }

    var refused = false;
    try {
        caller.AnonymousCall("http://127.0.0.1:9/", "Add");
    } catch (e) {
        refused = hex(e.number) == "8002000e" || hex(e.number) == "800a01c2";
        check(refused, "AnonymousCall refusal code, got 0x" + hex(e.number));
    }
    check(refused, "AnonymousCall with two arguments must be refused");

    // The WSDL reader is an automation object over either transport.
    for (var transport = 0; transport <= 1; transport++) {
        caller.SoapTransportProtocol = transport;
        var reader = caller.WSDLReader;
        var loadRefused = false;
        try {
            reader.Load("http://127.0.0.1:9/?wsdl", "");
        } catch (e) {
            loadRefused = hex(e.number) == "800a01b6";
            check(loadRefused, "reader.Load over transport " + transport + " refusal code, got 0x" + hex(e.number));
        }
        check(loadRefused, "reader.Load over transport " + transport + " must be refused");
    }
} catch (e) {
    check(false, "unexpected error 0x" + hex(e.number) + " " + e.description);
}

if (failures > 0) WScript.Quit(1);
WScript.Echo("caller_surface.js: all checks passed");
WScript.Quit(0);
