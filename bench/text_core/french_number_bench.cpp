// Spells the same 1,000,000 numbers (half whole numbers up to twelve digits, half amounts with
// hundredths and currency names) with our French speller and with ICU's rule-based French
// spellout, in one run, and prints both rates and the ratio. ICU spells the whole part and the
// hundredths of an amount apart, with the same currency words around them, as a cheque reads.
#include <unicode/locid.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/figure.h"
#include "library/text/core/french_number.h"

namespace {

constexpr int kNumbers = 1000000;

struct Sample {
    korvel::french::Amount amount;
    bool isAmount;
};

std::vector<Sample> samples() {
    std::mt19937_64 random(2026);
    std::uniform_int_distribution<std::int64_t> whole(0, korvel::french::kLargestWholePart);
    std::uniform_int_distribution<std::int64_t> small(0, 99999);
    std::uniform_int_distribution<int> hundredths(0, 99);
    std::vector<Sample> result;
    result.reserve(kNumbers);
    for (int i = 0; i < kNumbers; ++i) {
        bool isAmount = i % 2 == 1;
        // Half of each kind are everyday sizes, half anywhere in the twelve digits.
        std::int64_t w = i % 4 < 2 ? small(random) : whole(random);
        double x = double(w) + (isAmount ? hundredths(random) / 100.0 : 0.0);
        Sample s{{}, isAmount};
        korvel::french::splitAmount(x, s.amount);
        result.push_back(s);
    }
    return result;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// The best of several rounds: the first pays for page faults and cold caches that a program
// spelling numbers all day does not.
constexpr int kRounds = 5;

template <typename Round>
double bestOf(Round&& round) {
    double best = 1e300;
    for (int i = 0; i < kRounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        round();
        best = std::min(best, secondsSince(start));
    }
    return best;
}

int main() {
    std::vector<Sample> numbers = samples();
    std::size_t characters = 0;
    std::wstring words;
    double ours = bestOf([&] {
        characters = 0;
        for (const Sample& s : numbers) {
            words.clear();
            korvel::french::appendAmountInWords(words, s.amount, {s.isAmount, L"euro", L"centime"});
            characters += words.size();
        }
    });

    UErrorCode status = U_ZERO_ERROR;
    icu::RuleBasedNumberFormat spellout(icu::URBNF_SPELLOUT, icu::Locale("fr"), status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "ICU's French spellout is not available: %s\n", u_errorName(status));
        return 1;
    }
    std::size_t icuCharacters = 0;
    icu::UnicodeString text;
    double icu = bestOf([&] {
        icuCharacters = 0;
        for (const Sample& s : numbers) {
            text.remove();
            spellout.format(int64_t(s.amount.whole), text);
            if (s.isAmount) {
                text += s.amount.whole >= 2 ? u" euros" : u" euro";
                if (s.amount.hundredths) {
                    text += u" et ";
                    spellout.format(int32_t(s.amount.hundredths), text);
                    text += s.amount.hundredths >= 2 ? u" centimes" : u" centime";
                }
            }
            icuCharacters += std::size_t(text.length());
        }
    });

    std::printf("French numbers in words, %d numbers (whole numbers and amounts), best of %d rounds\n", kNumbers,
                kRounds);
    std::printf("  our speller:    %10.0f numbers/s  (%zu characters)\n", kNumbers / ours, characters);
    std::printf("  ICU spellout:   %10.0f numbers/s  (%zu characters)\n", kNumbers / icu, icuCharacters);
    std::printf("  ratio:          %10.1f times ICU's rate (target: at least 10)\n", icu / ours);
    reportFigure("French numbers in words, rate against ICU's", icu / ours, "times", "at least 10 times");
    return 0;
}
