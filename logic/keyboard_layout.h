#pragma once

#include "logic/kana_keyboard.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace fururupo {

// The two keyboards the game draws: the Japanese 109-key keyboard and the US 104-key one, each as the desktop's layout
// of that name makes its keys type (X11's jp and us).
enum class KeyboardLayout : std::uint8_t {
    Jis,
    Us,
};

// A rectangle in key units: 1 is the width and the height of a letter key; x grows to the right and y downwards from
// the top-left corner of the function row.
struct KeyRect
{
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;

    bool operator==(const KeyRect&) const = default;
};

// Where one key sits on a layout's picture. The JIS Enter is an upturned L: its top in the top row and a narrower foot
// in the home row; every other key is one rectangle and has an empty foot.
struct KeyPlace
{
    KeyboardKey key;
    KeyRect top;
    KeyRect foot;
};

// The picture of either layout, in key units: the main block is 15 keys wide, with the function row above it (the
// numeric pad is not drawn).
inline constexpr float keyboardWidth = 15.0f;
inline constexpr float keyboardHeight = 6.25f;

// Every key the layout's keyboard has, row by row from the left, the function row first.
std::span<const KeyPlace> keyPlaces(KeyboardLayout layout);

// Where the key sits, or null for a key that keyboard does not have (¥, ろ, 無変換, 変換 and カタカナ/ひらがな on the
// US keyboard).
const KeyPlace* placeOf(KeyboardLayout layout, KeyboardKey key);

// What the key's cap says on that keyboard.
std::u16string_view legendOf(KeyboardLayout layout, KeyboardKey key);

// The character the key types through that desktop layout, 0 for none.
char16_t characterOfKey(KeyboardLayout layout, KeyboardKey key, bool shift);

// The key that types this character through the layout, without Shift where it can; none for a character no key of
// that keyboard types (anything but printable ASCII, and the ASCII the keyboard has no key for).
std::optional<KeyStroke> strokeOfCharacter(KeyboardLayout layout, char16_t character);

// The fingers of touch typing. Both thumbs rest on the space bar; the thumb keys beside it go to the thumb nearest.
enum class Finger : std::uint8_t {
    LeftPinky,
    LeftRing,
    LeftMiddle,
    LeftIndex,
    LeftThumb,
    Thumbs, // either thumb: the space bar
    RightThumb,
    RightIndex,
    RightMiddle,
    RightRing,
    RightPinky,
};

enum class Hand : std::uint8_t {
    Left,
    Right,
    Either,
};

// The finger that presses the key in touch typing, the same on both keyboards: each hand's four fingers take the
// columns above and below their home keys (A S D F and J K L ;), the index fingers the two columns next to them too
// (5 and 6 go to the left and the right index), the little fingers everything further out (Tab, Shift, Enter,
// Backspace, ¥, ろ and the rest); the function keys go to the finger nearest: Esc and F1 the left little finger, F2
// ring, F3 middle, F4 and F5 the left index, F6 and F7 the right index, F8 middle, F9 ring, F10 to F12 the right little
// finger.
Finger fingerOf(KeyboardKey key);
Hand handOf(Finger finger);

// The Shift held with a key: the one on the other hand, as touch typists hold it (the left Shift for the space bar).
KeyboardKey shiftFor(KeyboardKey key);

// The layout a desktop's X keyboard description names: the value of the root window's _XKB_RULES_NAMES (rules, model,
// layout, variant and options, each ended by a NUL), whose first layout is jp or us; none for anything else.
std::optional<KeyboardLayout> layoutOfXkbRulesNames(std::string_view names);

// The layout a locale's players most likely have: Japanese for ja, US for English; none for any other, and for C and
// POSIX.
std::optional<KeyboardLayout> layoutOfLocaleName(std::string_view name);

// The desktop's layout where it could be read, else the locale's, else the Japanese keyboard.
KeyboardLayout defaultLayout(std::optional<KeyboardLayout> desktop, std::optional<KeyboardLayout> locale);

} // namespace fururupo
