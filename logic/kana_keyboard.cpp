#include "logic/kana_keyboard.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace fururupo {

namespace {

using enum KeyboardKey;

// The keys, written once: each key's place, code, legends, the JIS kana table, and what the desktop's US and Japanese
// layouts make it type. Small kana, を and the brackets and punctuation are on Shift; ゛ ゜ are keys of their own,
// typed after the kana they mark. On the Japanese layout the ¥ key types a backslash, as X11's jp layout has it.
// clang-format off
constexpr KeyboardKeyInfo keys[] = {
    {Grave, 49, 0, u"`", u"半角/全角", 0, 0, {u'`', u'~'}, {}},
    {Digit1, 10, 0, u"1", u"1", u'ぬ', 0, {u'1', u'!'}, {u'1', u'!'}},
    {Digit2, 11, 0, u"2", u"2", u'ふ', 0, {u'2', u'@'}, {u'2', u'"'}},
    {Digit3, 12, 0, u"3", u"3", u'あ', u'ぁ', {u'3', u'#'}, {u'3', u'#'}},
    {Digit4, 13, 0, u"4", u"4", u'う', u'ぅ', {u'4', u'$'}, {u'4', u'$'}},
    {Digit5, 14, 0, u"5", u"5", u'え', u'ぇ', {u'5', u'%'}, {u'5', u'%'}},
    {Digit6, 15, 0, u"6", u"6", u'お', u'ぉ', {u'6', u'^'}, {u'6', u'&'}},
    {Digit7, 16, 0, u"7", u"7", u'や', u'ゃ', {u'7', u'&'}, {u'7', u'\''}},
    {Digit8, 17, 0, u"8", u"8", u'ゆ', u'ゅ', {u'8', u'*'}, {u'8', u'('}},
    {Digit9, 18, 0, u"9", u"9", u'よ', u'ょ', {u'9', u'('}, {u'9', u')'}},
    {Digit0, 19, 0, u"0", u"0", u'わ', u'を', {u'0', u')'}, {u'0', 0}},
    {Minus, 20, 0, u"-", u"-", u'ほ', 0, {u'-', u'_'}, {u'-', u'='}},
    {Equal, 21, 0, u"=", u"^", u'へ', 0, {u'=', u'+'}, {u'^', u'~'}},
    {Yen, 132, 0, u"", u"¥", u'ー', 0, {}, {u'\\', u'|'}},
    {Backspace, 22, 0, u"Backspace", u"BS", 0, 0, {}, {}},

    {Tab, 23, 1, u"Tab", u"Tab", 0, 0, {}, {}},
    {Q, 24, 1, u"Q", u"Q", u'た', 0, {u'q', u'Q'}, {u'q', u'Q'}},
    {W, 25, 1, u"W", u"W", u'て', 0, {u'w', u'W'}, {u'w', u'W'}},
    {E, 26, 1, u"E", u"E", u'い', u'ぃ', {u'e', u'E'}, {u'e', u'E'}},
    {R, 27, 1, u"R", u"R", u'す', 0, {u'r', u'R'}, {u'r', u'R'}},
    {T, 28, 1, u"T", u"T", u'か', 0, {u't', u'T'}, {u't', u'T'}},
    {Y, 29, 1, u"Y", u"Y", u'ん', 0, {u'y', u'Y'}, {u'y', u'Y'}},
    {U, 30, 1, u"U", u"U", u'な', 0, {u'u', u'U'}, {u'u', u'U'}},
    {I, 31, 1, u"I", u"I", u'に', 0, {u'i', u'I'}, {u'i', u'I'}},
    {O, 32, 1, u"O", u"O", u'ら', 0, {u'o', u'O'}, {u'o', u'O'}},
    {P, 33, 1, u"P", u"P", u'せ', 0, {u'p', u'P'}, {u'p', u'P'}},
    {LeftBracket, 34, 1, u"[", u"@", u'゛', 0, {u'[', u'{'}, {u'@', u'`'}},
    {RightBracket, 35, 1, u"]", u"[", u'゜', u'「', {u']', u'}'}, {u'[', u'{'}},
    {Return, 36, 1, u"Enter", u"Enter", 0, 0, {}, {}},

    {CapsLock, 66, 2, u"Caps Lock", u"英数", 0, 0, {}, {}},
    {A, 38, 2, u"A", u"A", u'ち', 0, {u'a', u'A'}, {u'a', u'A'}},
    {S, 39, 2, u"S", u"S", u'と', 0, {u's', u'S'}, {u's', u'S'}},
    {D, 40, 2, u"D", u"D", u'し', 0, {u'd', u'D'}, {u'd', u'D'}},
    {F, 41, 2, u"F", u"F", u'は', 0, {u'f', u'F'}, {u'f', u'F'}},
    {G, 42, 2, u"G", u"G", u'き', 0, {u'g', u'G'}, {u'g', u'G'}},
    {H, 43, 2, u"H", u"H", u'く', 0, {u'h', u'H'}, {u'h', u'H'}},
    {J, 44, 2, u"J", u"J", u'ま', 0, {u'j', u'J'}, {u'j', u'J'}},
    {K, 45, 2, u"K", u"K", u'の', 0, {u'k', u'K'}, {u'k', u'K'}},
    {L, 46, 2, u"L", u"L", u'り', 0, {u'l', u'L'}, {u'l', u'L'}},
    {Semicolon, 47, 2, u";", u";", u'れ', 0, {u';', u':'}, {u';', u'+'}},
    {Apostrophe, 48, 2, u"'", u":", u'け', 0, {u'\'', u'"'}, {u':', u'*'}},
    {Backslash, 51, 2, u"\\", u"]", u'む', u'」', {u'\\', u'|'}, {u']', u'}'}},

    {LeftShift, 50, 3, u"Shift", u"Shift", 0, 0, {}, {}},
    {Z, 52, 3, u"Z", u"Z", u'つ', u'っ', {u'z', u'Z'}, {u'z', u'Z'}},
    {X, 53, 3, u"X", u"X", u'さ', 0, {u'x', u'X'}, {u'x', u'X'}},
    {C, 54, 3, u"C", u"C", u'そ', 0, {u'c', u'C'}, {u'c', u'C'}},
    {V, 55, 3, u"V", u"V", u'ひ', 0, {u'v', u'V'}, {u'v', u'V'}},
    {B, 56, 3, u"B", u"B", u'こ', 0, {u'b', u'B'}, {u'b', u'B'}},
    {N, 57, 3, u"N", u"N", u'み', 0, {u'n', u'N'}, {u'n', u'N'}},
    {M, 58, 3, u"M", u"M", u'も', 0, {u'm', u'M'}, {u'm', u'M'}},
    {Comma, 59, 3, u",", u",", u'ね', u'、', {u',', u'<'}, {u',', u'<'}},
    {Period, 60, 3, u".", u".", u'る', u'。', {u'.', u'>'}, {u'.', u'>'}},
    {Slash, 61, 3, u"/", u"/", u'め', u'・', {u'/', u'?'}, {u'/', u'?'}},
    {Ro, 97, 3, u"", u"\\", u'ろ', 0, {}, {u'\\', u'_'}},
    {RightShift, 62, 3, u"Shift", u"Shift", 0, 0, {}, {}},

    {LeftControl, 37, 4, u"Ctrl", u"Ctrl", 0, 0, {}, {}},
    {LeftMeta, 133, 4, u"Super", u"Win", 0, 0, {}, {}},
    {LeftAlt, 64, 4, u"Alt", u"Alt", 0, 0, {}, {}},
    {Muhenkan, 102, 4, u"", u"無変換", 0, 0, {}, {}},
    {Space, 65, 4, u"Space", u"Space", u'\u3000', 0, {u' ', u' '}, {u' ', u' '}},
    {Henkan, 100, 4, u"", u"変換", 0, 0, {}, {}},
    {KatakanaHiragana, 101, 4, u"", u"カタカナ/ひらがな", 0, 0, {}, {}},
    {RightAlt, 108, 4, u"Alt", u"Alt", 0, 0, {}, {}},
    {RightMeta, 134, 4, u"Super", u"Win", 0, 0, {}, {}},
    {Menu, 135, 4, u"Menu", u"Menu", 0, 0, {}, {}},
    {RightControl, 105, 4, u"Ctrl", u"Ctrl", 0, 0, {}, {}},

    {Escape, 9, 5, u"Esc", u"Esc", 0, 0, {}, {}},
    {F1, 67, 5, u"F1", u"F1", 0, 0, {}, {}},
    {F2, 68, 5, u"F2", u"F2", 0, 0, {}, {}},
    {F3, 69, 5, u"F3", u"F3", 0, 0, {}, {}},
    {F4, 70, 5, u"F4", u"F4", 0, 0, {}, {}},
    {F5, 71, 5, u"F5", u"F5", 0, 0, {}, {}},
    {F6, 72, 5, u"F6", u"F6", 0, 0, {}, {}},
    {F7, 73, 5, u"F7", u"F7", 0, 0, {}, {}},
    {F8, 74, 5, u"F8", u"F8", 0, 0, {}, {}},
    {F9, 75, 5, u"F9", u"F9", 0, 0, {}, {}},
    {F10, 76, 5, u"F10", u"F10", 0, 0, {}, {}},
    {F11, 95, 5, u"F11", u"F11", 0, 0, {}, {}},
    {F12, 96, 5, u"F12", u"F12", 0, 0, {}, {}},
};
// clang-format on

constexpr std::size_t keyCount = static_cast<std::size_t>(F12) + 1;

// The table lists every key once, in the order of the enumeration, so that a key's row is found by its value.
constexpr bool tableIsInKeyOrder()
{
    if (std::size(keys) != keyCount)
        return false;
    for (std::size_t i = 0; i < keyCount; ++i)
        if (static_cast<std::size_t>(keys[i].key) != i)
            return false;
    return true;
}
static_assert(tableIsInKeyOrder(), "one row for each KeyboardKey, in its order");

// The keys by keycode, for the one look-up every key press makes.
constexpr auto byKeycode = [] {
    std::array<std::int16_t, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < keyCount; ++i)
        table[keys[i].x11Keycode] = static_cast<std::int16_t>(i);
    return table;
}();

char16_t toHiragana(char16_t c)
{
    return c >= u'\u30A1' && c <= u'\u30F6' ? static_cast<char16_t>(c - 0x60) : c;
}

} // namespace

std::span<const KeyboardKeyInfo> keyboardKeys()
{
    return keys;
}

const KeyboardKeyInfo& infoOf(KeyboardKey key)
{
    return keys[static_cast<std::size_t>(key)];
}

std::optional<KeyboardKey> keyOfX11Keycode(std::uint32_t keycode)
{
    if (keycode >= byKeycode.size() || byKeycode[keycode] < 0)
        return std::nullopt;
    return keys[static_cast<std::size_t>(byKeycode[keycode])].key;
}

char16_t kanaOfKey(KeyboardKey key, bool shift)
{
    const KeyboardKeyInfo& info = infoOf(key);
    return shift && info.shiftedKana != 0 ? info.shiftedKana : info.kana;
}

std::optional<KeyStroke> strokeOfKana(char16_t kana)
{
    kana = toHiragana(kana);
    if (kana == 0)
        return std::nullopt;
    for (const KeyboardKeyInfo& info : keys)
        if (info.kana == kana)
            return KeyStroke{info.key, false};
    for (const KeyboardKeyInfo& info : keys)
        if (info.shiftedKana == kana)
            return KeyStroke{info.key, true};
    return std::nullopt;
}

} // namespace fururupo
