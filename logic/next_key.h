#pragma once

#include "logic/kana_composer.h"
#include "logic/keyboard_layout.h"
#include "logic/romaji_guide.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fururupo {

// The input box's mode as the keys see it: kana in one of the two scripts, or Latin letters typed as they are.
enum class BoxMode : std::uint8_t {
    Hiragana,
    Katakana,
    Latin,
};

// Where the player stands in the word on display: what the input box holds and how it types.
struct TypingPoint
{
    std::u16string word;      // the word to type (its reading), empty while none is on display
    std::u16string committed; // the box's text
    // The romaji typed but not yet kana; while an input method composes, its composition instead.
    std::u16string pending;
    char16_t pendingKana = 0; // in kana input, the kana held back for its sound mark
    BoxMode mode = BoxMode::Hiragana;
    bool kanaInput = false;
    bool composing = false; // pending is an input method's composition
    SpellingFamily family = SpellingFamily::Hepburn;
};

// Whether the word's next kana after `committed` characters is of the other script than the box's kana mode, so that
// the mode key (F7) comes before it. Never while letters or a kana are pending, as no spelling runs across a change
// of script; never for ー, punctuation and symbols, which either mode types alike.
bool needsScriptSwitch(std::u16string_view word, std::size_t committed, bool pending, BoxMode mode);

// A key to press and the Shift to hold with it.
struct KeyToPress
{
    KeyboardKey key;
    std::optional<KeyboardKey> shift;

    bool operator==(const KeyToPress&) const = default;
};

// What comes next at a point of the word.
struct NextKey
{
    enum class Kind : std::uint8_t {
        Nothing, // no word, a character no key gives, a key the layout's keyboard lacks, or what cannot be known
        Press,   // press `press`
        Mistake, // the box no longer holds the start of the word: the next key is one that deletes
    };
    Kind kind = Kind::Nothing;
    KeyToPress press{KeyboardKey::Space, std::nullopt};

    bool operator==(const NextKey&) const = default;
};

// The key the player presses next on that keyboard, as the guides lead: the first letter of the romaji still to type
// in the spelling the player began (RomajiHint::rest), or in kana input the guide's next key (゛ and ゜ after their
// kana, Shift for a small kana); the mode key first where the next kana is of the other script (F7) or the box types
// Latin letters (半角/全角, F10 on the US keyboard); Enter once the box holds the word. While an input method composes,
// its composition's kana count as typed and its trailing letters as pending romaji, and no mode key is lit; a
// composition that is not the start of the word (a conversion, a slip) leaves nothing to know.
NextKey nextKeyAt(const TypingPoint& at, KeyboardLayout layout);

// One key as the box received it: the X keycode it came with (0 when unknown) and the character it typed (0 for
// none).
struct PressedKey
{
    std::uint32_t x11Keycode = 0;
    char16_t character = 0;
};

// The key that was pressed, by its code, or by the character it typed when the code is unknown; none for a key the
// layout's keyboard does not have.
std::optional<KeyboardKey> keyPressed(const PressedKey& pressed, KeyboardLayout layout);

// What the keyboard picture lights: the next key with its Shift, and after a slip the key that was pressed instead.
struct LitKeys
{
    std::optional<KeyToPress> next;
    std::optional<KeyboardKey> hit;
    // The box holds a mistake: the player is to delete it. `next` is then the key that was expected at the slip.
    bool slipped = false;

    bool operator==(const LitKeys&) const = default;
};

// Follows the box key by key and says what the picture lights. After a key that makes a mistake, the key lit before
// it stays lit beside the key pressed instead, both until the player has deleted the mistake; further wrong keys
// change neither, as the first slip is the one to learn from. Events that come without a key (an input method's, the
// game's own change of word or text) light no key pressed instead: what they are is not known.
class KeyboardCoach
{
public:
    // The box now stands at `now`, moved there by the key `pressed`, or by no key.
    const LitKeys& follow(const TypingPoint& now, KeyboardLayout layout, const std::optional<PressedKey>& pressed);

    const LitKeys& lit() const { return shown; }

private:
    LitKeys shown;
};

} // namespace fururupo
