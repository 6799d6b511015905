#include "logic/kana_keyboard.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace fururupo {

namespace {

using enum KeyboardKey;

// The JIS kana table, written once: each key's place, code, legends and kana. Small kana, を and the brackets and
// punctuation are on Shift; ゛ ゜ are keys of their own, typed after the kana they mark.
// clang-format off
constexpr KeyboardKeyInfo keys[] = {
    {Grave, 49, 0, u"`", u"半角/全角", 0, 0},
    {Digit1, 10, 0, u"1", u"1", u'ぬ', 0},
    {Digit2, 11, 0, u"2", u"2", u'ふ', 0},
    {Digit3, 12, 0, u"3", u"3", u'あ', u'ぁ'},
    {Digit4, 13, 0, u"4", u"4", u'う', u'ぅ'},
    {Digit5, 14, 0, u"5", u"5", u'え', u'ぇ'},
    {Digit6, 15, 0, u"6", u"6", u'お', u'ぉ'},
    {Digit7, 16, 0, u"7", u"7", u'や', u'ゃ'},
    {Digit8, 17, 0, u"8", u"8", u'ゆ', u'ゅ'},
    {Digit9, 18, 0, u"9", u"9", u'よ', u'ょ'},
    {Digit0, 19, 0, u"0", u"0", u'わ', u'を'},
    {Minus, 20, 0, u"-", u"-", u'ほ', 0},
    {Equal, 21, 0, u"=", u"^", u'へ', 0},
    {Yen, 132, 0, u"", u"¥", u'ー', 0},
    {Backspace, 22, 0, u"Backspace", u"BS", 0, 0},

    {Tab, 23, 1, u"Tab", u"Tab", 0, 0},
    {Q, 24, 1, u"Q", u"Q", u'た', 0},
    {W, 25, 1, u"W", u"W", u'て', 0},
    {E, 26, 1, u"E", u"E", u'い', u'ぃ'},
    {R, 27, 1, u"R", u"R", u'す', 0},
    {T, 28, 1, u"T", u"T", u'か', 0},
    {Y, 29, 1, u"Y", u"Y", u'ん', 0},
    {U, 30, 1, u"U", u"U", u'な', 0},
    {I, 31, 1, u"I", u"I", u'に', 0},
    {O, 32, 1, u"O", u"O", u'ら', 0},
    {P, 33, 1, u"P", u"P", u'せ', 0},
    {LeftBracket, 34, 1, u"[", u"@", u'゛', 0},
    {RightBracket, 35, 1, u"]", u"[", u'゜', u'「'},
    {Return, 36, 1, u"Enter", u"Enter", 0, 0},

    {CapsLock, 66, 2, u"Caps Lock", u"英数", 0, 0},
    {A, 38, 2, u"A", u"A", u'ち', 0},
    {S, 39, 2, u"S", u"S", u'と', 0},
    {D, 40, 2, u"D", u"D", u'し', 0},
    {F, 41, 2, u"F", u"F", u'は', 0},
    {G, 42, 2, u"G", u"G", u'き', 0},
    {H, 43, 2, u"H", u"H", u'く', 0},
    {J, 44, 2, u"J", u"J", u'ま', 0},
    {K, 45, 2, u"K", u"K", u'の', 0},
    {L, 46, 2, u"L", u"L", u'り', 0},
    {Semicolon, 47, 2, u";", u";", u'れ', 0},
    {Apostrophe, 48, 2, u"'", u":", u'け', 0},
    {Backslash, 51, 2, u"\\", u"]", u'む', u'」'},

    {LeftShift, 50, 3, u"Shift", u"Shift", 0, 0},
    {Z, 52, 3, u"Z", u"Z", u'つ', u'っ'},
    {X, 53, 3, u"X", u"X", u'さ', 0},
    {C, 54, 3, u"C", u"C", u'そ', 0},
    {V, 55, 3, u"V", u"V", u'ひ', 0},
    {B, 56, 3, u"B", u"B", u'こ', 0},
    {N, 57, 3, u"N", u"N", u'み', 0},
    {M, 58, 3, u"M", u"M", u'も', 0},
    {Comma, 59, 3, u",", u",", u'ね', u'、'},
    {Period, 60, 3, u".", u".", u'る', u'。'},
    {Slash, 61, 3, u"/", u"/", u'め', u'・'},
    {Ro, 97, 3, u"", u"\\", u'ろ', 0},
    {RightShift, 62, 3, u"Shift", u"Shift", 0, 0},

    {LeftControl, 37, 4, u"Ctrl", u"Ctrl", 0, 0},
    {LeftMeta, 133, 4, u"Super", u"Win", 0, 0},
    {LeftAlt, 64, 4, u"Alt", u"Alt", 0, 0},
    {Muhenkan, 102, 4, u"", u"無変換", 0, 0},
    {Space, 65, 4, u"Space", u"Space", u'\u3000', 0},
    {Henkan, 100, 4, u"", u"変換", 0, 0},
    {KatakanaHiragana, 101, 4, u"", u"カタカナ/ひらがな", 0, 0},
    {RightAlt, 108, 4, u"Alt", u"Alt", 0, 0},
    {RightMeta, 134, 4, u"Super", u"Win", 0, 0},
    {Menu, 135, 4, u"Menu", u"Menu", 0, 0},
    {RightControl, 105, 4, u"Ctrl", u"Ctrl", 0, 0},
};
// clang-format on

constexpr std::size_t keyCount = static_cast<std::size_t>(RightControl) + 1;

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
