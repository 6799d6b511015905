#include "logic/keyboard_layout.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

namespace fururupo {

namespace {

using enum KeyboardKey;

constexpr std::size_t keyCount = static_cast<std::size_t>(F12) + 1;

struct RowKey
{
    KeyboardKey key;
    float width = 1.0f;
};

// The main block starts a quarter key below the function row.
constexpr float mainTop = 1.25f;

// The function row of both keyboards: Esc, then F1 to F12 in groups of four.
constexpr std::pair<KeyboardKey, float> functionRow[] = {
    {Escape, 0.0f}, {F1, 2.0f}, {F2, 3.0f},  {F3, 4.0f},   {F4, 5.0f},   {F5, 6.5f},   {F6, 7.5f},
    {F7, 8.5f},     {F8, 9.5f}, {F9, 11.0f}, {F10, 12.0f}, {F11, 13.0f}, {F12, 14.0f},
};

// A layout: its keys in order and where each is found among them.
struct Layout
{
    std::vector<KeyPlace> places;
    std::array<std::int16_t, keyCount> index{};

    // The five rows of the main block, each 15 keys wide, from the left; the JIS Enter is laid out apart.
    Layout(std::initializer_list<std::initializer_list<RowKey>> rows, bool jisEnter)
    {
        index.fill(-1);
        for (const auto& [key, x] : functionRow)
            add({key, {x, 0.0f, 1.0f, 1.0f}, {}});
        float y = mainTop;
        for (const auto& row : rows) {
            float x = 0.0f;
            for (const RowKey& slot : row) {
                add({slot.key, {x, y, slot.width, 1.0f}, {}});
                x += slot.width;
            }
            // The JIS Enter takes the rest of the top row and, narrower, of the home row below it.
            if (jisEnter && y == mainTop + 1.0f)
                add({Return, {x, y, keyboardWidth - x, 1.0f}, {13.75f, y + 1.0f, keyboardWidth - 13.75f, 1.0f}});
            y += 1.0f;
        }
    }

    void add(const KeyPlace& place)
    {
        index[static_cast<std::size_t>(place.key)] = static_cast<std::int16_t>(places.size());
        places.push_back(place);
    }
};

// clang-format off
const Layout& layoutOf(KeyboardLayout layout)
{
    static const Layout jis({
        {{Grave}, {Digit1}, {Digit2}, {Digit3}, {Digit4}, {Digit5}, {Digit6}, {Digit7}, {Digit8}, {Digit9}, {Digit0},
         {Minus}, {Equal}, {Yen}, {Backspace}},
        {{Tab, 1.5f}, {Q}, {W}, {E}, {R}, {T}, {Y}, {U}, {I}, {O}, {P}, {LeftBracket}, {RightBracket}},
        {{CapsLock, 1.75f}, {A}, {S}, {D}, {F}, {G}, {H}, {J}, {K}, {L}, {Semicolon}, {Apostrophe}, {Backslash}},
        {{LeftShift, 2.25f}, {Z}, {X}, {C}, {V}, {B}, {N}, {M}, {Comma}, {Period}, {Slash}, {Ro},
         {RightShift, 1.75f}},
        {{LeftControl, 1.5f}, {LeftMeta}, {LeftAlt, 1.25f}, {Muhenkan, 1.25f}, {Space, 3.0f}, {Henkan, 1.25f},
         {KatakanaHiragana, 1.25f}, {RightAlt, 1.25f}, {RightMeta}, {Menu}, {RightControl, 1.25f}},
    }, true);
    static const Layout us({
        {{Grave}, {Digit1}, {Digit2}, {Digit3}, {Digit4}, {Digit5}, {Digit6}, {Digit7}, {Digit8}, {Digit9}, {Digit0},
         {Minus}, {Equal}, {Backspace, 2.0f}},
        {{Tab, 1.5f}, {Q}, {W}, {E}, {R}, {T}, {Y}, {U}, {I}, {O}, {P}, {LeftBracket}, {RightBracket},
         {Backslash, 1.5f}},
        {{CapsLock, 1.75f}, {A}, {S}, {D}, {F}, {G}, {H}, {J}, {K}, {L}, {Semicolon}, {Apostrophe}, {Return, 2.25f}},
        {{LeftShift, 2.25f}, {Z}, {X}, {C}, {V}, {B}, {N}, {M}, {Comma}, {Period}, {Slash}, {RightShift, 2.75f}},
        {{LeftControl, 1.25f}, {LeftMeta, 1.25f}, {LeftAlt, 1.25f}, {Space, 6.25f}, {RightAlt, 1.25f},
         {RightMeta, 1.25f}, {Menu, 1.25f}, {RightControl, 1.25f}},
    }, false);
    return layout == KeyboardLayout::Jis ? jis : us;
}
// clang-format on

} // namespace

std::span<const KeyPlace> keyPlaces(KeyboardLayout layout)
{
    return layoutOf(layout).places;
}

const KeyPlace* placeOf(KeyboardLayout layout, KeyboardKey key)
{
    const Layout& shown = layoutOf(layout);
    const std::int16_t at = shown.index[static_cast<std::size_t>(key)];
    return at < 0 ? nullptr : &shown.places[static_cast<std::size_t>(at)];
}

std::u16string_view legendOf(KeyboardLayout layout, KeyboardKey key)
{
    const KeyboardKeyInfo& info = infoOf(key);
    return layout == KeyboardLayout::Jis ? info.jisName : info.usName;
}

char16_t characterOfKey(KeyboardLayout layout, KeyboardKey key, bool shift)
{
    const KeyboardKeyInfo& info = infoOf(key);
    const TypedPair& types = layout == KeyboardLayout::Jis ? info.jisTypes : info.usTypes;
    return shift ? types.shifted : types.plain;
}

std::optional<KeyStroke> strokeOfCharacter(KeyboardLayout layout, char16_t character)
{
    if (character == 0)
        return std::nullopt;
    for (const bool shift : {false, true})
        for (const KeyPlace& place : keyPlaces(layout))
            if (characterOfKey(layout, place.key, shift) == character)
                return KeyStroke{place.key, shift};
    return std::nullopt;
}

Finger fingerOf(KeyboardKey key)
{
    switch (key) {
    case Grave:
    case Digit1:
    case Tab:
    case Q:
    case CapsLock:
    case A:
    case LeftShift:
    case Z:
    case LeftControl:
    case Escape:
    case F1:
        return Finger::LeftPinky;
    case Digit2:
    case W:
    case S:
    case X:
    case F2:
        return Finger::LeftRing;
    case Digit3:
    case E:
    case D:
    case C:
    case F3:
        return Finger::LeftMiddle;
    case Digit4:
    case Digit5:
    case R:
    case T:
    case F:
    case G:
    case V:
    case B:
    case F4:
    case F5:
        return Finger::LeftIndex;
    case LeftMeta:
    case LeftAlt:
    case Muhenkan:
        return Finger::LeftThumb;
    case Space:
        return Finger::Thumbs;
    case Henkan:
    case KatakanaHiragana:
    case RightAlt:
    case RightMeta:
    case Menu:
        return Finger::RightThumb;
    case Digit6:
    case Digit7:
    case Y:
    case U:
    case H:
    case J:
    case N:
    case M:
    case F6:
    case F7:
        return Finger::RightIndex;
    case Digit8:
    case I:
    case K:
    case Comma:
    case F8:
        return Finger::RightMiddle;
    case Digit9:
    case O:
    case L:
    case Period:
    case F9:
        return Finger::RightRing;
    case Digit0:
    case Minus:
    case Equal:
    case Yen:
    case Backspace:
    case P:
    case LeftBracket:
    case RightBracket:
    case Return:
    case Semicolon:
    case Apostrophe:
    case Backslash:
    case Slash:
    case Ro:
    case RightShift:
    case RightControl:
    case F10:
    case F11:
    case F12:
        return Finger::RightPinky;
    }
    return Finger::Thumbs;
}

Hand handOf(Finger finger)
{
    if (finger == Finger::Thumbs)
        return Hand::Either;
    return finger < Finger::Thumbs ? Hand::Left : Hand::Right;
}

KeyboardKey shiftFor(KeyboardKey key)
{
    return handOf(fingerOf(key)) == Hand::Left ? RightShift : LeftShift;
}

std::optional<KeyboardLayout> layoutOfXkbRulesNames(std::string_view names)
{
    // Rules, model, then the layouts: the first of them is the one the keyboard starts in.
    std::string_view field = names;
    for (int skip = 0; skip < 2; ++skip) {
        const std::size_t end = field.find('\0');
        if (end == std::string_view::npos)
            return std::nullopt;
        field.remove_prefix(end + 1);
    }
    field = field.substr(0, field.find('\0'));
    field = field.substr(0, field.find(','));
    if (field == "jp")
        return KeyboardLayout::Jis;
    if (field == "us")
        return KeyboardLayout::Us;
    return std::nullopt;
}

std::optional<KeyboardLayout> layoutOfLocaleName(std::string_view name)
{
    const std::string_view language = name.substr(0, name.find_first_of("_-.@"));
    if (language == "ja")
        return KeyboardLayout::Jis;
    if (language == "en")
        return KeyboardLayout::Us;
    return std::nullopt;
}

KeyboardLayout defaultLayout(std::optional<KeyboardLayout> desktop, std::optional<KeyboardLayout> locale)
{
    return desktop.value_or(locale.value_or(KeyboardLayout::Jis));
}

} // namespace fururupo
