#include "macro/core/keystrokes.h"

#include <array>
#include <cctype>
#include <string>

namespace tolvare::macro {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint8_t virtualKey;
};

// Names are compared without regard to case.
constexpr std::array<NamedKey, 34> kNamedKeys{{
    {"BACKSPACE", 0x08}, {"BS", 0x08},        {"BKSP", 0x08},      {"BREAK", 0x03},
    {"CAPSLOCK", 0x14},  {"DELETE", 0x2E},    {"DEL", 0x2E},       {"DOWN", 0x28},
    {"END", 0x23},       {"ENTER", 0x0D},     {"ESC", 0x1B},       {"ESCAPE", 0x1B},
    {"HELP", 0x2F},      {"HOME", 0x24},      {"INSERT", 0x2D},    {"INS", 0x2D},
    {"LEFT", 0x25},      {"NUMLOCK", 0x90},   {"PGDN", 0x22},      {"PGUP", 0x21},
    {"PRTSC", 0x2C},     {"RIGHT", 0x27},     {"SCROLLLOCK", 0x91}, {"TAB", 0x09},
    {"UP", 0x26},        {"ADD", 0x6B},       {"SUBTRACT", 0x6D},  {"MULTIPLY", 0x6A},
    {"DIVIDE", 0x6F},    {"CLEAR", 0x0C},     {"PAUSE", 0x13},     {"SPACE", 0x20},
    {"APPS", 0x5D},      {"RETURN", 0x0D},
}};

constexpr std::uint8_t kEnter = 0x0D;
constexpr std::uint8_t kF1 = 0x70;
// Groups in parentheses nest no deeper than this: a text of a million "(" must not exhaust
// the stack.
constexpr int kMaxGroupDepth = 16;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

struct Modifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<std::vector<KeyStroke>> parse() {
        if (!sequence(Modifiers{}, 0, false)) return std::nullopt;
        return std::move(strokes_);
    }

private:
    // Items up to the end of the text, or up to the ")" that closes the group being read.
    bool sequence(Modifiers outer, int depth, bool inGroup) {
        while (position_ < text_.size()) {
            if (text_[position_] == ')') {
                if (!inGroup) return false;
                ++position_;
                return true;
            }
            if (!item(outer, depth)) return false;
        }
        return !inGroup;  // a group must be closed
    }

    bool item(Modifiers modifiers, int depth) {
        bool modified = false;
        for (; position_ < text_.size(); ++position_) {
            const char c = text_[position_];
            if (c == '+') modifiers.shift = true;
            else if (c == '^') modifiers.ctrl = true;
            else if (c == '%') modifiers.alt = true;
            else break;
            modified = true;
        }
        if (position_ >= text_.size()) return !modified && true;
        const char c = text_[position_];
        if (c == '(') {
            if (depth >= kMaxGroupDepth) return false;
            ++position_;
            return sequence(modifiers, depth + 1, true);
        }
        if (c == ')') return false;  // a modifier with nothing after it, or an unmatched ")"
        if (c == '}') return false;
        if (c == '{') return braced(modifiers);
        ++position_;
        if (c == '~') return add(virtualKey(kEnter, modifiers), 1);
        return add(character(static_cast<unsigned char>(c), modifiers), 1);
    }

    // "{name}" or "{name count}"; the name "}" is written "{}}".
    bool braced(Modifiers modifiers) {
        const std::size_t open = position_;
        std::size_t close;
        if (open + 1 < text_.size() && text_[open + 1] == '}') {
            close = text_.find('}', open + 2);
            // "{}}" names "}", and "{} 3}" repeats it.
            if (close == std::string_view::npos) return false;
        } else {
            close = text_.find('}', open + 1);
            if (close == std::string_view::npos) return false;
        }
        std::string_view inside = text_.substr(open + 1, close - open - 1);
        position_ = close + 1;
        std::size_t count = 1;
        const std::size_t blank = inside.find(' ', inside.size() > 1 ? 1 : inside.size());
        if (blank != std::string_view::npos) {
            const std::string_view digits = inside.substr(blank + 1);
            inside = inside.substr(0, blank);
            if (digits.empty() || digits.size() > 6) return false;
            count = 0;
            for (const char d : digits) {
                if (d < '0' || d > '9') return false;
                count = count * 10 + static_cast<std::size_t>(d - '0');
            }
        }
        if (inside.empty()) return false;
        if (inside.size() == 1) return add(character(static_cast<unsigned char>(inside[0]), modifiers), count);
        for (const NamedKey& named : kNamedKeys) {
            if (equalsIgnoringCase(inside, named.name)) return add(virtualKey(named.virtualKey, modifiers), count);
        }
        // F1 to F16.
        if ((inside[0] == 'F' || inside[0] == 'f') && inside.size() <= 3) {
            int number = 0;
            for (std::size_t i = 1; i < inside.size(); ++i) {
                if (inside[i] < '0' || inside[i] > '9') return false;
                number = number * 10 + (inside[i] - '0');
            }
            if (number >= 1 && number <= 16 && inside[1] != '0')
                return add(virtualKey(static_cast<std::uint8_t>(kF1 + number - 1), modifiers), count);
        }
        return false;
    }

    static KeyStroke stroke(KeyStroke::Kind kind, std::uint8_t value, Modifiers m) {
        KeyStroke stroke;
        stroke.kind = kind;
        (kind == KeyStroke::Kind::Character ? stroke.character : stroke.virtualKey) = value;
        stroke.shift = m.shift;
        stroke.ctrl = m.ctrl;
        stroke.alt = m.alt;
        return stroke;
    }
    static KeyStroke character(unsigned char c, Modifiers m) { return stroke(KeyStroke::Kind::Character, c, m); }
    static KeyStroke virtualKey(std::uint8_t code, Modifiers m) { return stroke(KeyStroke::Kind::VirtualKey, code, m); }

    bool add(const KeyStroke& stroke, std::size_t count) {
        if (count > kMaxKeyStrokes - strokes_.size()) return false;
        strokes_.insert(strokes_.end(), count, stroke);
        return true;
    }

    std::string_view text_;
    std::size_t position_ = 0;
    std::vector<KeyStroke> strokes_;
};

}  // namespace

std::optional<std::vector<KeyStroke>> parseKeystrokes(std::string_view text) {
    return Parser(text).parse();
}

}  // namespace tolvare::macro
