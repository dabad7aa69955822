// The keystroke syntax replay sends keys in: characters stand for themselves, "+" is Shift,
// "^" Control, "%" Alt, each applying to the next key or to a group in parentheses ("+(ab)"),
// "~" is Enter, and braces name special keys ("{ENTER}", "{F1}"), quote a special character
// ("{+}", "{{}", "{}}") or repeat a key ("{LEFT 3}", "{a 5}").
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tolvare::macro {

// One key typed: pressed and released with the modifiers held around it.
struct KeyStroke {
    enum class Kind {
        Character,   // `character` typed as the keyboard layout types it
        VirtualKey,  // the platform's virtual-key code `virtualKey`
    };
    Kind kind = Kind::Character;
    unsigned char character = 0;  // a byte of the single-byte code page
    std::uint8_t virtualKey = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;

    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The most keystrokes one text may expand to ("{a 1000000}" is refused rather than typed).
inline constexpr std::size_t kMaxKeyStrokes = 4096;

// The keys a text types, in order; nothing when the text breaks the syntax (an unknown or
// unclosed brace name, an unmatched parenthesis, a modifier with nothing after it, a lone "}"
// or ")", a repeat count that is not a number or makes more than kMaxKeyStrokes keys).
std::optional<std::vector<KeyStroke>> parseKeystrokes(std::string_view text);

}  // namespace tolvare::macro
