// The platform's own registry tool (reg.exe query) as an independent reader of what the
// library wrote.
#pragma once

#include <optional>
#include <string>

namespace korvel_test {

struct RegValue {
    std::string type;  // "REG_SZ", "REG_DWORD", "REG_BINARY"...
    std::string data;  // as reg prints it: text, 0x19, 0102FF
};

// `reg query <key>`: whether the key exists, as the tool says by its exit code.
bool regKeyExists(const std::wstring& key);
// `reg query <key> /v <value>`: the value, or nothing when the tool finds none.
std::optional<RegValue> regQueryValue(const std::wstring& key, const std::wstring& value);

}  // namespace korvel_test
