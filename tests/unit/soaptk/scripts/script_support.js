// Shared by the toolkit's script tests, which load it with eval. Wine's
// cscript exits with 0 on an unhandled error, so every failure ends with 1.
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
