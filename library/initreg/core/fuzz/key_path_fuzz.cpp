// Key paths of any text through the parser and the string-buffer rule.
#include <cstddef>
#include <cstdint>
#include <string>

#include "library/initreg/core/registry_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(wchar_t(data[i] | (data[i + 1] << 8)));
    korvel::registry::KeyPath parsed = korvel::registry::parseKeyPath(text);
    if (parsed.wellFormed && parsed.subkey.size() >= text.size()) __builtin_trap();
    korvel::registry::textOfStringBuffer(text);
    korvel::registry::deletableSubkey(parsed.subkey);
    return 0;
}
