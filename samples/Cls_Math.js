// Cls_Math from JScript: angles, distances, inverse cosine and sine, the direction of a line.
// usage: cscript //nologo Cls_Math.js [FOLDER]   (writes no file)
var passed = 0, failed = 0;
function check(what, ok) {
    if (ok) { passed++; WScript.Echo("ok - " + what); }
    else { failed++; WScript.Echo("FAILED - " + what); }
}
// No message box may wait for a click nobody gives: the library shows none while this is 1.
// (Wine's script host cannot set it: there, set KORVEL_SANS_MESSAGES=1 before starting cscript.)
var environment = new ActiveXObject("WScript.Shell").Environment("PROCESS");
try {
    environment("KORVEL_SANS_MESSAGES") = "1";
} catch (e) {
}

var math = new ActiveXObject("BRASKEDLL.Cls_Math");
// The class takes pi as 3.14, as the files and programs of earlier versions do, and answers in
// single precision: its results are compared within a margin, never for equality.
function near(value, expected, margin) {
    return Math.abs(value - expected) <= margin;
}

// The principal measure of an angle in radians, between -3.14 and 3.14. (VBScript also finds it
// in the variable passed; JScript passes values, so its variable keeps the angle.)
var angle = 7;
check("7 radians come to 0.72", near(math.MesurePrincipale(angle), 0.72, 0.00001));
check("the JScript variable is left alone", angle == 7);

// The distance between two points (x1, y1) and (x2, y2).
check("from (0, 0) to (3, 4): 5", math.Hypothenuse(0, 0, 3, 4) == 5);

// Inverse cosine and sine, between 0 and 6.28, found in steps of 0.0314.
check("the angle whose cosine is 0", near(math.InverseCosinus(0), 1.57, 0.02));
check("the angle whose sine is 0.5", near(math.InverseSinus(0.5), 0.52, 0.02));

// The direction from a centre (cx, cy) to a point (x, y), counted anticlockwise, in radians:
// times 180 / 3.14 for degrees, with the class's pi.
check("(1, 1) seen from (0, 0): 45 degrees", near(math.AngleTrigo(1, 1, 0, 0) * 180 / 3.14, 45, 0.1));
check("(3, 1) seen from (2, 2): -45 degrees", near(math.AngleTrigo(3, 1, 2, 2) * 180 / 3.14, -45, 0.1));
// A point and the centre the same: no direction, run-time error 6 (an exception whose number
// is 0x800A0000 + the error).
try {
    math.AngleTrigo(1, 1, 1, 1);
    check("no direction without two points", false);
} catch (e) {
    check("run-time error 6 when the point is the centre", (e.number >>> 0) == 0x800A0006);
}

WScript.Echo(passed + " passed, " + failed + " failed");
