// Serializer, HTTP connector and reader driven from JScript against the sample
// service, as a script client of the toolkit uses them.
eval(new ActiveXObject("Scripting.FileSystemObject")
         .OpenTextFile(WScript.ScriptFullName.replace(WScript.ScriptName, "script_support.js")).ReadAll());

var NAMESPACE = "http://www.norvexa.com/webservices/";

// Calls `method` with `args` (pairs of name and text); the loaded reader.
function call(url, method, args) {
    var connector = new ActiveXObject("MSSOAP.HttpConnector");
    connector.Property("EndPointURL") = url;
    connector.Property("SoapAction") = NAMESPACE + method;
    connector.BeginMessage();

    var serializer = new ActiveXObject("MSSOAP.SoapSerializer");
    serializer.Init(connector.InputStream);
    serializer.startEnvelope("soap", "", "");
    serializer.startBody("");
    serializer.startElement(method, NAMESPACE, "", "xs");
    for (var i = 0; i < args.length; i++) {
        serializer.startElement(args[i][0], NAMESPACE, "", "xs");
        serializer.writeString(args[i][1]);
        serializer.endElement();
    }
    serializer.endElement();
    serializer.endBody();
    serializer.endEnvelope();
    connector.EndMessage();

    var reader = new ActiveXObject("MSSOAP.SoapReader");
    check(reader.Load(connector.OutputStream, ""), method + ": the answer is no SOAP message");
    return reader;
}

try {
    var url = sampleUrl();

    var reader = call(url, "Add", [["a", "2"], ["b", "3"]]);
    check(reader.RPCResult.text == "5", "Add(2, 3) gave " + reader.RPCResult.text);

    var text = "a&b<c> \"q\" Gr\u00fc\u00dfe \u20ac";
    reader = call(url, "Echo", [["text", text]]);
    check(reader.RPCResult.text == text, "Echo gave " + reader.RPCResult.text);

    reader = call(url, "Fail", [["message", "script fault"]]);
    check(reader.Fault != null, "no fault");
    check(reader.FaultString.text == "script fault", "faultstring " + reader.FaultString.text);

    WScript.Echo("all checks passed");
} catch (e) {
    fail(e.message + " (" + (e.number >>> 0).toString(16) + ")");
}
