#include "macro/core/keystrokes.h"

#include <gtest/gtest.h>

namespace tolvare::macro {
namespace {

KeyStroke chr(char c, bool shift = false, bool ctrl = false, bool alt = false) {
    KeyStroke k;
    k.kind = KeyStroke::Kind::Character;
    k.character = static_cast<unsigned char>(c);
    k.shift = shift;
    k.ctrl = ctrl;
    k.alt = alt;
    return k;
}

KeyStroke vk(std::uint8_t code, bool shift = false, bool ctrl = false, bool alt = false) {
    KeyStroke k;
    k.kind = KeyStroke::Kind::VirtualKey;
    k.virtualKey = code;
    k.shift = shift;
    k.ctrl = ctrl;
    k.alt = alt;
    return k;
}

using Strokes = std::vector<KeyStroke>;

TEST(Keystrokes, WhatReplaySends) {
    EXPECT_EQ(parseKeystrokes("A"), (Strokes{chr('A')}));
    EXPECT_EQ(parseKeystrokes("+A"), (Strokes{chr('A', true)}));
    EXPECT_EQ(parseKeystrokes("^{F1}"), (Strokes{vk(0x70, false, true)}));
    EXPECT_EQ(parseKeystrokes("%{ENTER}"), (Strokes{vk(0x0D, false, false, true)}));
    EXPECT_EQ(parseKeystrokes("{F12}"), (Strokes{vk(0x7B)}));
    EXPECT_EQ(parseKeystrokes("{TAB}{ESC}{END}{HOME}{LEFT}{UP}{RIGHT}{DOWN}"),
              (Strokes{vk(9), vk(27), vk(35), vk(36), vk(37), vk(38), vk(39), vk(40)}));
    EXPECT_EQ(parseKeystrokes(" "), (Strokes{chr(' ')}));
    EXPECT_EQ(parseKeystrokes("|"), (Strokes{chr('|')}));
    EXPECT_EQ(parseKeystrokes("\x01"), (Strokes{chr('\x01')}));
    // Characters the syntax reserves cannot be sent bare; replay skips such keys.
    for (const char* rejected : {"}", ")", "+", "^", "%", "(", "{", "{}"}) EXPECT_FALSE(parseKeystrokes(rejected)) << rejected;
}

TEST(Keystrokes, TheRestOfTheSyntax) {
    EXPECT_EQ(parseKeystrokes("ab~"), (Strokes{chr('a'), chr('b'), vk(0x0D)}));
    EXPECT_EQ(parseKeystrokes("+(ab)c"), (Strokes{chr('a', true), chr('b', true), chr('c')}));
    EXPECT_EQ(parseKeystrokes("^+x"), (Strokes{chr('x', true, true)}));
    EXPECT_EQ(parseKeystrokes("{+}{^}{%}{~}{(}{)}{{}{}}"),
              (Strokes{chr('+'), chr('^'), chr('%'), chr('~'), chr('('), chr(')'), chr('{'), chr('}')}));
    EXPECT_EQ(parseKeystrokes("{left 3}"), (Strokes{vk(37), vk(37), vk(37)}));
    EXPECT_EQ(parseKeystrokes("{x 2}{} 2}"), (Strokes{chr('x'), chr('x'), chr('}'), chr('}')}));
    EXPECT_EQ(parseKeystrokes("{a 0}"), Strokes{});
    EXPECT_EQ(parseKeystrokes(""), Strokes{});
    EXPECT_EQ(parseKeystrokes("{F16}{BS}{DEL}{PGDN}"), (Strokes{vk(0x7F), vk(8), vk(0x2E), vk(0x22)}));
    EXPECT_EQ(parseKeystrokes("%(^(q))"), (Strokes{chr('q', false, true, true)}));

    for (const char* bad : {"{NOPE}", "{F0}", "{F17}", "{F01}", "{ENTER", "(ab", "ab)", "+(a", "{a x}",
                            "{a -1}", "{a 1000000}", "{a 4097}", "((((((((((((((((((a))))))))))))))))))"})
        EXPECT_FALSE(parseKeystrokes(bad)) << bad;
    EXPECT_EQ(parseKeystrokes("{a 4096}")->size(), kMaxKeyStrokes);
    EXPECT_FALSE(parseKeystrokes(std::string(100000, '(')));
}

}  // namespace
}  // namespace tolvare::macro
