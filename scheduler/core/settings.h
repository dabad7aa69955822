// The settings file param.ini: its keys, defaults and limits, and the decisions the settings
// fields and the pass make from their numbers. Reading a text as a number is the platform's
// job (its number conversions in the user's locale: decimal and grouping separators, exponents,
// signs and blanks as every other program of the user reads them); these functions decide from
// what it read.
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
// Base64 of the public key that must have signed a downloaded list; absent: lists are not signed.
inline constexpr std::string_view kListKeyKey = "CLELISTE";
// Beside the list: what the server said of the last list downloaded (list_validators.h).
inline constexpr std::string_view kValidatorsFileName = "lstplenar.etag";
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

// A field's text as the platform's number conversion reads it; nothing where it cannot.
struct NumberReading {
    std::optional<std::int16_t> whole16;  // a signed 16-bit whole number, rounded half to even
    std::optional<std::int32_t> whole32;  // a signed 32-bit whole number, rounded half to even
    std::optional<double> value;          // a decimal number
};

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
FieldCheck checkNumericField(const NumericSetting& setting, const NumberReading& text);

// The check timer's period from the DELAI text: seconds times 1000, rounded half to even to
// whole milliseconds (2,5 gives 2500; 0 means checking is off). Nothing when the text is not a
// number, is negative or is too long a period for a timer.
std::optional<std::uint32_t> checkPeriodMilliseconds(const NumberReading& seconds);

struct DownloadInterval {
    bool enabled = true;
    int minutes = 30;  // downloads when more whole minutes than this have passed
};

// The DELAIDL text as the pass reads it: exactly "0" switches downloading off; any other text
// counts as its whole number (so 0,4 downloads every minute). A text that is not a number,
// which the field never holds, gives the default interval.
DownloadInterval downloadInterval(std::string_view text, const NumberReading& minutes);

}  // namespace tolvare::scheduler
