// Runs script clients one after another in this one script host: each in a script engine of
// its own (the script control: VBScript for a .vbs file, JScript for a .js file), with this
// host's WScript object, so that a whole set of clients costs one process start. Each client
// counts its checks in its globals `passed` and `failed` and prints what it checks; this prints
// each client's count after it, and ends with the sum over all clients: "N passed, M failed".
// A client that stops on an error counts one failure more, with the error and its line.
// usage: cscript //nologo script-clients.js FOLDER MODE (CLIENT.vbs | CLIENT.js)...
//   FOLDER and MODE are what each client reads as its own first two arguments.
var args = WScript.Arguments;
var files = new ActiveXObject("Scripting.FileSystemObject");
var passed = 0, failed = 0;
for (var i = 2; i < args.length; i++) {
    var name = files.GetFileName(args(i));
    WScript.Echo("== " + name);
    var control = new ActiveXObject("MSScriptControl.ScriptControl");
    // Both engines give their globals to Eval alike, so the counts are read the same way.
    control.Language = /\.js$/i.test(name) ? "JScript" : "VBScript";
    control.Timeout = -1;  // no limit: a client takes what its members take
    control.AddObject("WScript", WScript, false);
    var stream = files.OpenTextFile(args(i), 1);
    var code = stream.ReadAll();
    stream.Close();
    var stopped = "";
    try {
        control.AddCode(code);
    } catch (e) {
        stopped = "stopped at line " + control.Error.Line + ": error " + (e.number & 0xFFFF) + ", " + e.description;
    }
    var own = { passed: 0, failed: 0 };
    for (var count in own) {
        var value;
        try {
            value = control.Eval(count);
        } catch (e) {
        }
        if (typeof value == "number") own[count] = value;
        else stopped = stopped || "without a count of its checks";
    }
    if (stopped) {
        own.failed++;
        WScript.Echo("FAILED: " + name + " " + stopped);
    }
    WScript.Echo(name + ": " + own.passed + " passed, " + own.failed + " failed");
    passed += own.passed;
    failed += own.failed;
}
WScript.Echo(passed + " passed, " + failed + " failed");
