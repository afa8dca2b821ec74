// The SOAP client as a script uses it: created by its ProgID, initialised
// from the sample service's WSDL, its operations called as methods. Wine's
// cscript exits with 0 on an unhandled error, so every failure is caught and
// ends with 1.
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

try {
    var client = new ActiveXObject("MSSOAP.SoapClient");
    client.mssoapinit(sampleUrl() + "?wsdl", "", "", "");

    check(client.Add(2, 3) == 5, "Add(2, 3) gave " + client.Add(2, 3));
    check(client.add(40, 2) == 42, "add is not Add");

    var described = client.Describe(3, 2.5, true, "2024-01-02T03:04:05", "js");
    check(described == "count=3; ratio=2.5; flag=true; when=2024-01-02T03:04:05; name=js",
          "Describe gave " + described);

    var table = client.GetTable(2);
    check(table.length == 2, "GetTable gave " + table.length + " nodes");
    check(table.item(0).baseName == "schema", "node 0 is " + table.item(0).nodeName);
    check(table.item(1).baseName == "diffgram", "node 1 is " + table.item(1).nodeName);

    var faulted = false;
    try {
        client.Fail("script fault");
    } catch (e) {
        faulted = true;
        check(e.description == "script fault", "fault description " + e.description);
        check(client.faultstring == "script fault", "faultstring " + client.faultstring);
    }
    check(faulted, "Fail did not raise");

    var unknown = false;
    try {
        client.NoSuchOperation(1);
    } catch (e) {
        unknown = true;
    }
    check(unknown, "an unknown operation was called");

    WScript.Echo("ok");
} catch (e) {
    fail(e.message + " (" + (e.number >>> 0).toString(16) + ")");
}
