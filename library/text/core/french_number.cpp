#include "library/text/core/french_number.h"

#include <cmath>

namespace korvel::french {

namespace {

constexpr std::wstring_view kUnits[20] = {
    L"",      L"un",    L"deux",   L"trois",    L"quatre",   L"cinq",  L"six",
    L"sept",  L"huit",  L"neuf",   L"dix",      L"onze",     L"douze", L"treize",
    L"quatorze", L"quinze", L"seize", L"dix-sept", L"dix-huit", L"dix-neuf"};

constexpr std::wstring_view kTens[10] = {L"",         L"",         L"vingt",    L"trente",       L"quarante",
                                         L"cinquante", L"soixante", L"soixante", L"quatre-vingt", L"quatre-vingt"};

// "cent" takes its number in front from 2 on; the entry for 10 is never reached.
constexpr std::wstring_view kHundredsPrefix[11] = {L"",     L"",     L"deux", L"trois", L"quatre", L"cinq",
                                                   L"six",  L"sept", L"huit", L"neuf",  L"dix"};

// Rounds to the nearest whole number, ties to the even one, whatever the floating-point
// environment's rounding mode is.
double roundHalfEven(double y) noexcept {
    double below = std::floor(y);
    double rest = y - below;
    if (rest > 0.5) return below + 1;
    if (rest < 0.5) return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

}  // namespace

void appendTens(std::wstring& out, int n) {
    int tens = n / 10;
    int units = n - 10 * tens;
    // 10-19, 70-79 and 90-99 take their unit word from "dix" to "dix-neuf".
    if (tens == 1 || tens == 7 || tens == 9) units += 10;
    std::wstring_view joiner;
    if (tens > 1) joiner = L"-";
    if (units == 0) {
        joiner = L"";
    } else if (units == 1) {
        joiner = tens == 8 ? L"-" : L" et ";
    } else if (units == 11 && tens == 7) {
        joiner = L" et ";
    }
    if (tens == 0) {
        out += kUnits[units];
    } else if (tens == 8 && units == 0) {
        out += L"quatre-vingts";
    } else {
        out += kTens[tens];
        out += joiner;
        out += kUnits[units];
    }
}

void appendHundreds(std::wstring& out, int n) {
    int hundreds = n / 100;
    int rest = n - 100 * hundreds;
    if (hundreds == 0) {
        appendTens(out, rest);
    } else if (hundreds == 1) {
        out += rest > 0 ? L"cent " : L"cent";
        appendTens(out, rest);
    } else {
        out += kHundredsPrefix[hundreds];
        if (rest > 0) {
            out += L" cent ";
            appendTens(out, rest);
        } else {
            out += L" cents";
        }
    }
}

SplitStatus splitAmount(double x, Amount& amount) noexcept {
    if (std::isnan(x)) return SplitStatus::notANumber;
    if (x < 0) return SplitStatus::negative;
    double whole = std::floor(x);
    if (!(whole <= double(kLargestWholePart))) return SplitStatus::tooLarge;  // infinity too
    int hundredths = int(roundHalfEven((x - whole) * 100));
    if (hundredths >= 100) {
        whole += 1;
        hundredths -= 100;
        if (whole > double(kLargestWholePart)) return SplitStatus::tooLarge;
    }
    amount.whole = std::int64_t(whole);
    amount.hundredths = hundredths;
    return SplitStatus::split;
}

namespace {

// Every group of three digits spelled once, alone and with each scale word after it: a
// number is then at most four appends of ready words.
enum Scale { kUnitsGroup, kThousandsGroup, kMillionsGroup, kBillionsGroup };

class GroupWords {
public:
    GroupWords() {
        std::wstring words;
        for (int scale = kUnitsGroup; scale <= kBillionsGroup; ++scale) {
            for (int n = 0; n < 1000; ++n) {
                words.clear();
                appendGroup(words, Scale(scale), n);
                start_[scale][n] = text_.size();
                text_ += words;
                end_[scale][n] = text_.size();
            }
        }
    }
    std::wstring_view operator()(Scale scale, int n) const {
        return std::wstring_view(text_).substr(start_[scale][n], end_[scale][n] - start_[scale][n]);
    }

private:
    // One group's part of the number: empty for 0 above the units, " mille " alone for one
    // thousand, the scale word in the plural from two on.
    static void appendGroup(std::wstring& out, Scale scale, int n) {
        if (scale == kUnitsGroup) {
            appendHundreds(out, n);
            return;
        }
        if (n == 0) return;
        if (scale == kThousandsGroup && n == 1) {
            out += L" mille ";
            return;
        }
        appendHundreds(out, n);
        if (scale == kThousandsGroup) out += L" mille ";
        else if (scale == kMillionsGroup) out += n == 1 ? L" million " : L" millions ";
        else out += n == 1 ? L" milliard " : L" milliards ";
    }

    std::wstring text_;
    size_t start_[4][1000];
    size_t end_[4][1000];
};

const GroupWords& groupWords() {
    static const GroupWords words;
    return words;
}

}  // namespace

void appendWholeInWords(std::wstring& out, std::int64_t whole) {
    if (whole == 0) {
        out += L"zéro";
        return;
    }
    const GroupWords& group = groupWords();
    const size_t start = out.size();
    out += group(kBillionsGroup, int(whole / 1'000'000'000 % 1000));
    out += group(kMillionsGroup, int(whole / 1'000'000 % 1000));
    out += group(kThousandsGroup, int(whole / 1000 % 1000));
    out += group(kUnitsGroup, int(whole % 1000));
    // Blanks go at both ends only (" mille " in front of everything, a scale word at the end).
    size_t end = out.size();
    while (end > start && out[end - 1] == L' ') --end;
    out.resize(end);
    if (out.size() > start && out[start] == L' ') out.erase(start, 1);
}

std::wstring wholeInWords(std::int64_t whole) {
    std::wstring out;
    out.reserve(128);
    appendWholeInWords(out, whole);
    return out;
}

void appendAmountInWords(std::wstring& out, const Amount& amount, const Currency& currency) {
    appendWholeInWords(out, amount.whole);
    if (currency.isAmount) {
        out += L' ';
        out += currency.unit;
        if (amount.whole >= 2) out += L's';
    }
    if (amount.hundredths == 0) return;
    out += L" et ";
    out += groupWords()(kUnitsGroup, amount.hundredths);
    out += L' ';
    if (currency.isAmount) {
        out += currency.hundredth;
        if (amount.hundredths >= 2) out += L's';
    }
}

std::wstring amountInWords(const Amount& amount, const Currency& currency) {
    std::wstring out;
    out.reserve(160);
    appendAmountInWords(out, amount, currency);
    return out;
}

}  // namespace korvel::french
