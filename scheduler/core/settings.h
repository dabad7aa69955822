// The settings file param.ini: its keys, defaults and limits, and the reading of the numeric
// values as the settings fields check them. Pure functions over the text, so that the window
// and the tests share one reading; the decimal separator is the caller's (the system's).
//
// Number syntax accepted (a decision: the plain decimal form a user types): optional spaces or
// tabs around, an optional sign, digits with at most one decimal separator, at least one
// digit. No exponent, no thousands separator, no other separator than the one given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvare::scheduler {

inline constexpr std::string_view kSettingsFileName = "param.ini";
inline constexpr std::string_view kListFileName = "lstplenar.txt";
inline constexpr std::string_view kSettingsSection = "PARAM";
inline constexpr std::string_view kUrlKey = "URL";
// A reserved host name: the original server is not ours to name, and a default must never send
// a workstation's requests to someone else's machine.
inline constexpr std::string_view kDefaultUrl =
    "http://plenar.example.com/zezerav/VESSANOR/lstplenar.txt";

// One numeric settings field and its key. Messages are UTF-8.
struct NumericSetting {
    std::string_view key;
    std::string_view defaultText;
    int upperLimit;
    std::string_view textWhenAbove;
    std::string_view messageWhenAbove;
    int lowerLimit;
    std::string_view textWhenBelow;
    std::string_view messageWhenBelow;
    std::string_view messageWhenNotANumber;
    std::string_view textWhenNotANumber;
};

// Seconds between two checks of the list; "0" switches checking off.
inline constexpr NumericSetting kCheckPeriodSetting{
    .key = "DELAI",
    .defaultText = "30",
    .upperLimit = 60,
    .textWhenAbove = "60",
    .messageWhenAbove = "Vous ne pouvez pas définir plus d'une minute de délai.",
    .lowerLimit = 0,
    .textWhenBelow = "30",
    .messageWhenBelow = "Vous ne pouvez pas définir moins de 0 seconde de délai.",
    .messageWhenNotANumber = "Veuillez renseigner un chiffre en seconde comme délai.",
    .textWhenNotANumber = "30",
};

// Minutes between two downloads of the list; "0" switches downloading off.
inline constexpr NumericSetting kDownloadIntervalSetting{
    .key = "DELAIDL",
    .defaultText = "30",
    .upperLimit = 60,
    .textWhenAbove = "60",
    .messageWhenAbove = "Vous ne pouvez pas définir plus d'une heure de délai.",
    .lowerLimit = 0,
    .textWhenBelow = "30",
    .messageWhenBelow = "Vous ne pouvez pas définir moins de 0 minute de délai.",
    .messageWhenNotANumber =
        "Veuillez renseigner un chiffre en minute comme délai de téléchargement.",
    .textWhenNotANumber = "30",
};

// Seconds given to a macro named on the command line; above its limit it falls back to "30",
// not to the limit.
inline constexpr NumericSetting kMacroDurationSetting{
    .key = "DUREEMACRO",
    .defaultText = "30",
    .upperLimit = 240,
    .textWhenAbove = "30",
    .messageWhenAbove = "Vous ne pouvez pas définir plus de 4 minutes de durée.",
    .lowerLimit = 0,
    .textWhenBelow = "30",
    .messageWhenBelow = "Vous ne pouvez pas définir moins de 0 seconde de durée.",
    .messageWhenNotANumber = "Veuillez renseigner un chiffre en seconde comme durée.",
    .textWhenNotANumber = "30",
};

// A number exactly as typed: sign, whole part and fraction digits, so that rounding and limit
// tests are exact (no binary floating point).
struct Decimal {
    bool negative = false;
    bool huge = false;  // more than 18 significant whole digits; `whole` is not kept
    std::uint64_t whole = 0;
    std::string fraction;  // the digits after the separator
};

std::optional<Decimal> parseDecimal(std::string_view text, std::string_view decimalSeparator);

// The value times 10^scale (scale 0 to 9), rounded half to even; nothing when it does not fit
// in 64 bits.
std::optional<std::int64_t> roundHalfEven(const Decimal& value, int scale = 0);

// -1, 0 or 1 as the value is below, equal to or above n (-0 equals 0).
int compareDecimal(const Decimal& value, std::int64_t n);

// The text as a signed 16-bit whole number, rounded half to even: nothing when it is not a
// number or falls outside -32768 to 32767 once rounded (so 32767,5 fails).
std::optional<std::int16_t> parseWhole16(std::string_view text, std::string_view decimalSeparator);

enum class FieldVerdict {
    Accepted,    // write the text as typed
    AboveLimit,  // put correctedText, show message, then write the field's text
    BelowLimit,  // put correctedText, show message, then write the field's text
    NotANumber,  // show message, put correctedText; do not write
};

struct FieldCheck {
    FieldVerdict verdict = FieldVerdict::Accepted;
    std::string_view correctedText;  // empty when accepted
    std::string_view message;        // empty when accepted
};

// The check a numeric field makes on every change of its text: first the 16-bit whole-number
// test (so 40000 is not a number, not above the limit), then the limits on the exact value (a
// value equal to a limit is accepted; 60,4 is above 60).
FieldCheck checkNumericField(const NumericSetting& setting, std::string_view text,
                             std::string_view decimalSeparator);

// The check timer's period from the DELAI text: seconds times 1000, rounded half to even to
// whole milliseconds (2,5 gives 2500; 0 means checking is off). Nothing when the text is not a
// number or is negative.
std::optional<std::uint32_t> checkPeriodMilliseconds(std::string_view text,
                                                     std::string_view decimalSeparator);

struct DownloadInterval {
    bool enabled = true;
    int minutes = 30;  // downloads when more whole minutes than this have passed
};

// The DELAIDL text as the pass reads it: exactly "0" switches downloading off; any other text
// is read as a whole number rounded half to even (so 0,4 downloads every minute). A text that
// is not a number, which the field never holds, gives the default interval.
DownloadInterval downloadIntervalFromText(std::string_view text, std::string_view decimalSeparator);

}  // namespace tolvare::scheduler
