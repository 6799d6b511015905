#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace fururupo {

// The keys of a keyboard's typing area and its function row by their place, whatever the desktop's layout makes them
// type: the keys of a JIS 109 keyboard and of a US 104 one (the keys they share send the same codes). Named by the US
// key at that place where there is one.
// clang-format off
enum class KeyboardKey : std::uint8_t {
    // The number row.
    Grave, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9, Digit0, Minus, Equal, Yen,
    Backspace,
    // The top row.
    Tab, Q, W, E, R, T, Y, U, I, O, P, LeftBracket, RightBracket, Return,
    // The home row.
    CapsLock, A, S, D, F, G, H, J, K, L, Semicolon, Apostrophe, Backslash,
    // The bottom row.
    LeftShift, Z, X, C, V, B, N, M, Comma, Period, Slash, Ro, RightShift,
    // The space row.
    LeftControl, LeftMeta, LeftAlt, Muhenkan, Space, Henkan, KatakanaHiragana, RightAlt, RightMeta, Menu,
    RightControl,
    // The function row, above the others: the game's mode keys are there (F6, F7, F10).
    Escape, F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
};
// clang-format on

// The characters a key types on a desktop layout, without and with Shift; 0 for none.
struct TypedPair
{
    char16_t plain = 0;
    char16_t shifted = 0;
};

// One key: where it is, the code it sends, what its cap says, what it types on each layout and in kana input.
struct KeyboardKeyInfo
{
    KeyboardKey key;
    // The X keycode, which is the Linux evdev code plus 8: what QKeyEvent::nativeScanCode() gives under X11 (xcb) and
    // under Wayland alike.
    std::uint16_t x11Keycode;
    // 0 for the number row to 4 for the space row; 5 for the function row above them.
    std::uint8_t row;
    // The cap's legend on each keyboard; empty where that keyboard has no such key.
    std::u16string_view usName;
    std::u16string_view jisName;
    // What the key types in kana input, alone and with Shift: a hiragana, a spacing sound mark (゛ ゜), ー, Japanese
    // punctuation or the ideographic space; 0 for a key that types nothing. A key without a kana of its own for Shift
    // types the same with Shift as without.
    char16_t kana;
    char16_t shiftedKana;
    // What the key types through the desktop's US layout and its Japanese (jp, 106/109) layout; nothing for a key
    // that types no character (a mode key, Enter, Backspace) or is not on that keyboard.
    TypedPair usTypes;
    TypedPair jisTypes;
};

// Every key, row by row from the left, the function row last.
std::span<const KeyboardKeyInfo> keyboardKeys();

const KeyboardKeyInfo& infoOf(KeyboardKey key);

// The key that sends this X keycode (QKeyEvent::nativeScanCode()), if it is one of the typing area's.
std::optional<KeyboardKey> keyOfX11Keycode(std::uint32_t keycode);

// What the key types in kana input, with or without Shift; 0 when it types nothing.
char16_t kanaOfKey(KeyboardKey key, bool shift);

// One key to press, with Shift or without.
struct KeyStroke
{
    KeyboardKey key;
    bool shift = false;

    bool operator==(const KeyStroke&) const = default;
};

// The key that types this character in kana input (hiragana, ゛ ゜, ー, punctuation, the ideographic space), without
// Shift where it can; katakana is typed by the key of its hiragana. None for anything else, a voiced kana included:
// that takes two keys (see kanaStrokes).
std::optional<KeyStroke> strokeOfKana(char16_t kana);

} // namespace fururupo
