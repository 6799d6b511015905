#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fururupo {

// The two ways of spelling し ち つ ふ じ and their y-combinations: Hepburn (shi chi tsu fu ji sha ja cha) and Kunrei
// (si ti tu hu zi sya zya tya).
enum class SpellingFamily {
    Hepburn,
    Kunrei,
};

// What the input box shows beside the player's typing: the romaji still to type, or where the typing went wrong.
struct RomajiHint
{
    static constexpr std::size_t noMistake = std::u16string::npos;

    // Lower-case romaji that, typed key by key after the pending letters through KanaComposer::feed(key, word,
    // committed), makes the committed text equal to the word; empty once the word is complete and on a mistake.
    //
    // It holds no mark for the script: every kana is typed in the mode of its own script (katakana in katakana mode),
    // and a switch of mode is implied wherever the word's next kana to commit is of the other script. No spelling in
    // `rest` runs across such a switch and none leaves letters pending at one (しャ is "shi" then "xya", ッか "xtu"
    // then "ka", ンア "nn" then "a"), so the switch (F7, which commits the pending letters as they stand) goes
    // between two keys of `rest`, exactly when the committed text reaches a kana of the other script. ー,
    // punctuation and symbols are typed alike in either mode and switch nothing.
    std::u16string rest;

    // UTF-16 index into the committed text of its first character that differs from the word (never inside a
    // surrogate pair); the committed text's length when the committed text is right but the pending letters cannot
    // lead on to the word. noMistake otherwise.
    std::size_t mistakeAt = noMistake;

    // False when the guide stops before a character no key gives (a kanji, a Latin letter, ゝ): `rest` then covers
    // the word only up to that character.
    bool reachesEnd = true;

    bool mistaken() const { return mistakeAt != noMistake; }
};

// The guide for `word` when the box holds `committed` and the composer `pending`, spelled in `family` wherever the
// pending letters leave a choice. Katakana in the word is guided by its hiragana reading (typed in katakana mode), and
// a word that mixes the scripts is guided one run of a script after the other (see RomajiHint::rest).
RomajiHint guideRomaji(std::u16string_view word, std::u16string_view committed, std::u16string_view pending,
                       SpellingFamily family);

// Follows the spelling family the player types in and guides in it, Hepburn until they show otherwise.
class RomajiGuide
{
public:
    // Tells the guide of one key fed to the composer, with the composer's pending letters from just before that key.
    void follow(std::u16string_view pendingBefore, char16_t key);

    RomajiHint hint(std::u16string_view word, std::u16string_view committed, std::u16string_view pending) const
    {
        return guideRomaji(word, committed, pending, spelling);
    }

    SpellingFamily family() const { return spelling; }

    // Back to Hepburn, as for a new player; the family is otherwise kept from word to word, as a player's habit is.
    void reset() { spelling = SpellingFamily::Hepburn; }

private:
    SpellingFamily spelling = SpellingFamily::Hepburn;
};

} // namespace fururupo
