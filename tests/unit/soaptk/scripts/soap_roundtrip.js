// Serializer, HTTP connector and reader driven from JScript against the sample
// service, as a script client of the toolkit uses them. Wine's cscript exits
// with 0 on an unhandled error, so every failure is caught and ends with 1.
var NAMESPACE = "http://www.norvexa.com/webservices/";

function fail(message) {
    WScript.Echo("FAILED: " + message);
    WScript.Quit(1);
}

function check(condition, message) {
    if (!condition) fail(message);
}

// The sample service's address, from the port file its starter left.
function sampleUrl() {
    var shell = new ActiveXObject("WScript.Shell");
    var directory = shell.Environment("PROCESS")("NVX_SERVICE_DIR");
    check(directory != "", "NVX_SERVICE_DIR is not set");
    var files = new ActiveXObject("Scripting.FileSystemObject");
    var port = files.OpenTextFile(directory + "\\sample.port").ReadLine();
    return "http://127.0.0.1:" + port + "/";
}

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

    WScript.Echo("ok");
} catch (e) {
    fail(e.message + " (" + (e.number >>> 0).toString(16) + ")");
}
