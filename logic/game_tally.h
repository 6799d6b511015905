#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fururupo {

// How one word of a game went.
struct WordOutcome
{
    std::u16string word;   // as shown
    std::u16string answer; // what is typed for it: its reading, or the word itself
    // Word-clock ticks (seconds) from its showing to its match or its time-up.
    std::int32_t seconds = 0;
    bool timedOut = false;
    // Keys typed on it that were mistakes.
    std::int32_t mistakes = 0;
    // Answered by the word as written (kanji and all, committed by an input method's conversion) rather than by its
    // reading.
    bool converted = false;
};

// The ways a game's words are typed, which make different races: a kana game of 280 keys and a romaji game of 400
// type the same words.
enum class TypingStyle {
    Romaji,      // romaji in the game's own box
    Kana,        // kana input (the JIS kana keys) in the game's own box
    InputMethod, // through the desktop's input method, whatever it is set to
};

// One kana (one UTF-16 character of the answers) over the words of a game: how many times it was to be typed, and in
// how many of those it was mistyped (at most once for each time, so misses never exceed typed).
struct KanaCount
{
    std::u16string kana;
    std::int32_t typed = 0;
    std::int32_t missed = 0;
};

// Counts one game as it is played, for the results and the history. It only watches: nothing it counts changes what
// the game shows or compares.
//
// A key is counted once it has taken effect, with the box's text as it then stands. While a word is on display, a key
// after which the text is still the start of the answer (or of the word as written, for a word in kanji that an input
// method converts) is a good key; one after which it is not is a mistake, and the first kana the text gets wrong is
// marked missed (once for that showing of the word). A key that shortens the text (Backspace) is a correction,
// neither good nor a mistake. A key that leaves the text as it was (a key an input method composes with, or one
// held back for a sound mark) is judged by the text as it stands: good while it is right, a mistake while it is
// wrong. The key whose check accepts the word is a good key. Keys while no word is on display (countdown, time-up,
// finish) are not counted.
//
// Through an input method every key the player presses reaches the box as one event, and each is one key here: each
// change of the composition (a letter, a Backspace inside it, a conversion, a move to another candidate or segment,
// an Escape that abandons it) and each commit. The Enter that commits the composition is one key, and the Enter
// after it that answers the word is another, as in the game's own box. Mistakes through an input method are what it
// commits: the composition is not judged until it is in the box, so a conversion is no mistake, a commit that
// differs from the reading is a mistake at its first wrong kana, and Latin letters committed in the middle of a word
// are a mistake at the first of them.
class GameTally
{
public:
    // A new game: every count back to zero.
    void reset();

    // A word drawn and shown at word-clock tick `elapsed`.
    void wordShown(std::u16string_view word, std::u16string_view answer, std::int32_t elapsed);
    // The check of a key accepted the word on display at tick `elapsed`, by its reading or, `converted`, by the word as
    // written; the key that did it is counted good here, and has no effect of its own afterwards.
    void wordMatched(std::int32_t elapsed, bool converted = false);
    // The word on display ran out of time at tick `elapsed`; the kana where the last key left the text wrong (or the
    // first one not yet typed) is marked missed.
    void wordTimedOut(std::int32_t elapsed);
    // A key has taken effect and the box now holds textAfter; typedAs is the way it typed, or none for a key that
    // types in no particular way (Enter, Backspace on committed text, a Latin letter in the box's Latin mode).
    void keyTaken(std::u16string_view textAfter, std::optional<TypingStyle> typedAs = std::nullopt);

    std::int32_t goodKeys() const { return good; }
    std::int32_t mistakes() const { return wrong; }
    std::int32_t corrections() const { return corrected; }
    // Every counted key: good ones, mistakes and corrections.
    std::int32_t keys() const { return good + wrong + corrected; }
    // The counted keys that typed in that way.
    std::int32_t keysTypedAs(TypingStyle style) const { return byStyle[static_cast<std::size_t>(style)]; }

    // The way this game was typed: the one that typed most of its counted keys. A tie goes to the input method, then
    // to kana, since a game typed half through an input method is not a race of the game's own box; a game of no
    // typing keys at all is a romaji game, as every game starts in the box's romaji mode.
    TypingStyle typingStyle() const;

    // The words matched or timed out, in the order shown; the word still on display is not among them.
    const std::vector<WordOutcome>& words() const { return outcomes; }
    // Every character of their answers (kana, and ー or letters where a word has them), in the order first met.
    const std::vector<KanaCount>& kana() const { return kanaCounts; }

    bool wordOnDisplay() const { return showing; }

private:
    void closeWord(std::int32_t elapsed, bool timedOut);
    // Length of the longest start of the answer that text shares.
    std::size_t rightPart(std::u16string_view text) const;
    void markMissed(std::size_t at);

    std::vector<WordOutcome> outcomes;
    std::vector<KanaCount> kanaCounts;
    std::int32_t good = 0;
    std::int32_t wrong = 0;
    std::int32_t corrected = 0;
    std::array<std::int32_t, 3> byStyle{};

    // The word on display.
    bool showing = false;
    WordOutcome current;
    std::int32_t shownAt = 0;
    std::size_t lastLength = 0;
    // How much of the text the last key left right: where a time-up finds the player stuck.
    std::size_t lastRight = 0;
    // One flag per character of the answer: already marked missed in this showing.
    std::vector<bool> missedHere;
};

} // namespace fururupo
