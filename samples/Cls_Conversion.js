// Cls_Conversion from JScript: numbers and amounts in French words, typed numbers cleaned.
// usage: cscript //nologo Cls_Conversion.js [FOLDER]   (writes no file)
// JScript passes every argument by value: members that answer through a variable passed to
// them (ConvertirOemAnsi's second one) give their answer back to VBScript only.
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

var conversion = new ActiveXObject("BRASKEDLL.Cls_Conversion");

// Amounts in words (true), for a cheque or an invoice: the currency's names, in the singular,
// are properties of the object.
conversion.IntituleMonnaie = "euro";
conversion.IntitulePetiteMonnaie = "centime";
check("an amount", conversion.ConvertirNombreEnLettre(1250.8, true) ==
    "mille deux cent cinquante euros et quatre-vingts centimes");
check("a number (false)", conversion.ConvertirNombreEnLettre(71, false) == "soixante et onze");
check("a number in millions", conversion.ConvertirNombreEnLettre(2000000, false) == "deux millions");

// A run-time error of the library is an exception whose number holds 0x800A0000 + the error.
try {
    conversion.ConvertirNombreEnLettre(-3, false);
    check("a negative number is refused", false);
} catch (e) {
    check("a negative number is run-time error 5", (e.number >>> 0) == 0x800A0005);
}

// What a user typed, cleaned: blanks go; digits, "," and "." stay, and "-" in front. Anything
// else gives an empty text (and a message box to the user, unless unattended).
check("blanks removed", conversion.Ctrl_SaiseNombre(" 1 234,50 ") == "1234,50");
check("letters refused", conversion.Ctrl_SaiseNombre("12 kg") == "");
// parseFloat wants a point where French writes a comma.
check("a typed amount as a number", parseFloat(conversion.Ctrl_SaiseNombre("1 234,50").replace(",", ".")) == 1234.5);

WScript.Echo(passed + " passed, " + failed + " failed");
