// Fuzz target for the number speller and the typed-number cleaner: the first eight bytes are a
// double to spell (any bit pattern: NaN, infinities, negatives, huge values), the rest a typed
// text. Linked with common/fuzz/replay_main.cpp it runs the saved inputs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "library/text/core/french_number.h"
#include "library/text/core/typed_number.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "number speller invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvel;
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        french::Amount amount;
        if (french::splitAmount(x, amount) == french::SplitStatus::split) {
            check(amount.whole >= 0 && amount.whole <= french::kLargestWholePart, "whole part in range");
            check(amount.hundredths >= 0 && amount.hundredths < 100, "hundredths in range");
            std::wstring words = french::amountInWords(amount, {true, L"euro", L"centime"});
            check(!words.empty() && words.front() != L' ', "no leading blank");
            check(words.find(L"   ") == std::wstring::npos, "never three blanks");
        }
        data += sizeof(double);
        size -= sizeof(double);
    }
    std::wstring typed(data, data + size);  // bytes as characters
    auto kept = typed_number::clean(typed);
    if (kept) {
        check(kept->size() <= typed.size(), "cleaning never adds");
        check(kept->find(L' ') == std::wstring::npos, "no blank kept");
        check(kept->find(L'-', 1) == std::wstring::npos, "a minus only in front");
    }
    return 0;
}
