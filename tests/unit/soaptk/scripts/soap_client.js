// The SOAP client as a script uses it: created by its ProgID, initialised
// from the sample service's WSDL, its operations called as methods.
eval(new ActiveXObject("Scripting.FileSystemObject")
         .OpenTextFile(WScript.ScriptFullName.replace(WScript.ScriptName, "script_support.js")).ReadAll());

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

    WScript.Echo("all checks passed");
} catch (e) {
    fail(e.message + " (" + (e.number >>> 0).toString(16) + ")");
}
