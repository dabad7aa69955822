// Numbers spelled out in French words, as cheques and invoices write amounts: three small word
// tables and a fixed decomposition (hundredths, hundreds, then groups of three digits for
// thousands, millions and billions). The agreement rules are deliberately only these: each
// group is spelled on its own, so "deux cents mille" and "quatre-vingts mille" keep their
// plural, "un million euros" takes no "de", and the blank after "million" stays beside the one
// before "mille" ("un million  mille").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::french {

// The largest integer part that can be spelled: twelve digits.
inline constexpr std::int64_t kLargestWholePart = 999'999'999'999;

// 0..99: "" for 0, "vingt et un", "soixante et onze", "quatre-vingts", "quatre-vingt-onze"...
void appendTens(std::wstring& out, int n);
// 0..999: "cent", "cent un", "deux cents", "deux cent un"...
void appendHundreds(std::wstring& out, int n);

// A number split as it is spelled: its whole part and its hundredths. Hundredths that round to
// 100 (2.996, or 19.9999999 from float noise) are carried into the whole part.
struct Amount {
    std::int64_t whole = 0;
    int hundredths = 0;  // 0..99
};

enum class SplitStatus { split, negative, tooLarge, notANumber };

// Splits `x`: the whole part rounded towards minus infinity, the hundredths of the rest rounded
// to the nearest, ties to even (so that 2.07, stored slightly below, still has 7).
SplitStatus splitAmount(double x, Amount& amount) noexcept;

// The words of a whole number 0..kLargestWholePart: "zéro" for 0, no "un" before "mille",
// blanks trimmed at both ends only.
std::wstring wholeInWords(std::int64_t whole);
void appendWholeInWords(std::wstring& out, std::int64_t whole);

struct Currency {
    bool isAmount = false;          // add the currency names
    std::wstring_view unit;         // singular; the plural adds "s"
    std::wstring_view hundredth;    // singular; the plural adds "s"
};

// The whole spelling of an amount. Hundredths of an amount below one are spelled too, as for
// one unit ("zéro euro et cinquante centimes"): leaving them out would misstate the amount.
std::wstring amountInWords(const Amount& amount, const Currency& currency);
void appendAmountInWords(std::wstring& out, const Amount& amount, const Currency& currency);

}  // namespace korvel::french
