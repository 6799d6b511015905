#pragma once

#include "logic/kana_composer.h"
#include "logic/kana_keyboard.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fururupo {

// What one key does to the box in kana input: it replaces `replaced` characters before the cursor (a kana that a
// sound mark joins) with `commit`.
struct KanaEdit
{
    std::size_t replaced = 0;
    std::u16string commit;
};

// Turns what the keys type in kana input (kanaOfKey) into text, one key at a time, the way an input method's kana
// input does without kanji conversion:
// - ゛ and ゜ join the kana before them (か゛ → が, は゜ → ぱ, う゛ → ゔ, ワ゛ → ヷ); after anything that takes no such
//   mark they stand as the spacing marks ゛ ゜ (U+309B, U+309C), as a word list writes them.
// - While a word is on display, a kana is held back, underlined and not yet text, only where the word has that kana
//   with a sound mark next: か typed for が is then no mistake before its ゛ comes. Any other kana is committed at
//   once, right or wrong, so the check and the count see it on that very key.
// - Katakana mode types the katakana of each kana; ゛ ゜, ー, punctuation and the ideographic space are the same in
//   both.
class KanaKeyComposer
{
public:
    // Feeds what one key typed while the box holds `committed` before the cursor and `word` is on display (empty while
    // none is), and returns what the key does to the box; a key that types nothing (0) does nothing.
    KanaEdit feed(char16_t typed, std::u16string_view word, std::u16string_view committed);

    // Commits the kana held back, as it stands.
    std::u16string flush();

    // Drops the kana held back; false when none was, so the caller deletes committed text itself.
    bool backspace();

    void reset() { held = 0; }

    // The kana held back for the sound mark the word has after it, or 0.
    char16_t pending() const { return held; }

    void setScript(Script script) { outputScript = script; }
    Script script() const { return outputScript; }

private:
    char16_t held = 0;
    Script outputScript = Script::Hiragana;
};

// One key the guide shows, with what it types at that point of the word: the kana in the word's own script, or the
// sound mark.
struct KanaGuideKey
{
    KeyStroke stroke;
    char16_t types = 0;

    bool operator==(const KanaGuideKey&) const = default;
};

// What the kana guide shows beside the player's typing: the keys still to press, or where the typing went wrong.
struct KanaHint
{
    static constexpr std::size_t noMistake = std::u16string::npos;

    // The keys that, fed one by one through KanaKeyComposer::feed, make the committed text equal to the word: one key
    // for a kana, two for a kana with a sound mark (か then ゛ for が). Empty once the word is complete and on a
    // mistake. As with the romaji guide, each kana is typed in its own script's mode: a switch of mode is implied
    // wherever the word's next kana is of the other script, and it falls between two keys, as nothing is held back
    // across it.
    std::vector<KanaGuideKey> keys;

    // UTF-16 index into the committed text of its first character that differs from the word (never inside a
    // surrogate pair); the committed text's length when it is right but the kana held back cannot lead on to the word.
    std::size_t mistakeAt = noMistake;

    // False when the guide stops before a character no key gives (a kanji, a Latin letter, ゐ): `keys` then covers the
    // word only up to that character.
    bool reachesEnd = true;

    bool mistaken() const { return mistakeAt != noMistake; }
};

// The kana guide for `word` when the box holds `committed` and the composer holds back `pending` (0 for none).
KanaHint guideKana(std::u16string_view word, std::u16string_view committed, char16_t pending);

// The keys as the guide writes them: what each types, with ⇧ before a key pressed with Shift ("き゛⇧ょう" for ぎょう).
std::u16string kanaGuideText(std::span<const KanaGuideKey> keys);

} // namespace fururupo
