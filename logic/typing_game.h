#pragma once

#include "logic/game_display.h"
#include "logic/game_tally.h"
#include "logic/word_list.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fururupo {

enum class SpeedLevel { Slow, Normal, Fast };

// Per-word limit in word-clock ticks (seconds) and caption of each speed.
std::int32_t wordLimitOf(SpeedLevel speed);
std::u16string_view captionOf(SpeedLevel speed);

// The texts a game shows besides the words.
namespace texts {
inline constexpr std::u16string_view star = u"★";
inline constexpr std::u16string_view explanationHeading = u"■解説■";
inline constexpr std::u16string_view timeUp = u"お時間になりました。";
inline constexpr std::u16string_view congratulations = u"おめでとう!";
inline constexpr std::u16string_view record = u"記録：";
inline constexpr std::u16string_view seconds = u"秒";
inline constexpr std::u16string_view lineBreak = u"\r\n";
inline constexpr std::u16string_view noWords = u"単語がありません";
} // namespace texts

// The state and rules of one game. It reaches the screen only through GameDisplay, gets its words from the list that
// its load fills and its draws from the random source, so a whole game can be played without a window.
class TypingGame
{
public:
    using RandomSource = std::function<float()>;
    using Load = std::function<std::int32_t()>;

    // wordFileLocation is shown to the player when a game has no words to draw.
    TypingGame(GameDisplay& display, const WordList& list, RandomSource random, std::u16string wordFileLocation = {});

    // Names the list the next games load, for the message of a game without words: its file name and where it is.
    void setWordFile(std::u16string name, std::u16string location);

    // Starts a game, or starts it again from any phase. When several flags are set the last of slow, normal, fast
    // decides; when none is, the previous limit stays.
    void startGame(bool slow, bool normal, bool fast, const Load& load);
    void countdownTick();
    void wordClockTick();
    // text is the input box's text before the key that triggered the call takes effect. The word on display is
    // answered by its reading, or by the word as written (a kanji word an input method converted and committed).
    void checkInput(std::u16string_view text);
    // The same key once it has taken effect, with the box's text as it then stands and the way it typed (none for a
    // key that types in no particular way): counted, never compared.
    void keyTaken(std::u16string_view textAfter, std::optional<TypingStyle> typedAs = std::nullopt)
    {
        counting.keyTaken(textAfter, typedAs);
    }

    // What this game has counted so far: keys, mistakes, words and kana.
    const GameTally& tally() const { return counting; }
    // The way this game's words were typed, as its tally works it out.
    TypingStyle typingStyle() const { return counting.typingStyle(); }
    // The counters of a game, read-only: only the game's own operations change them.
    std::int16_t countdown() const { return counters.countdown; }
    std::int16_t ticksLeft() const { return counters.ticksLeft; }
    std::int32_t wordLimit() const { return counters.wordLimit; }
    std::int16_t cleared() const { return counters.cleared; }
    std::int32_t entries() const { return counters.entries; }
    std::int32_t elapsed() const { return counters.elapsed; }
    // The speed the last flag set gave the game (its limit is wordLimit); Normal until a flag is first set.
    SpeedLevel speed() const { return speedSet; }

    const std::u16string& prompt() const { return promptText; }
    // What the player types for the prompt: the reading of a word written in kanji, else the prompt itself.
    const std::u16string& answer() const { return answerText; }
    // True while a word drawn from the list is shown and not yet matched or timed out.
    bool wordOnDisplay() const { return wordShown; }

private:
    void showPrompt(std::u16string text, bool isWord = false, std::u16string_view reading = {});
    std::int16_t drawIndex();

    struct Counters
    {
        std::int16_t countdown = 0;
        std::int16_t ticksLeft = 0;
        std::int32_t wordLimit = 0;
        std::int16_t cleared = 0;
        std::int32_t entries = 0;
        std::int32_t elapsed = 0;
    };

    GameDisplay& display;
    const WordList& list;
    RandomSource random;
    std::u16string wordFileLocation;
    std::u16string wordFileName = u"MSG.txt";
    std::u16string promptText;
    std::u16string answerText;
    std::u16string starsText;
    Counters counters;
    GameTally counting;
    SpeedLevel speedSet = SpeedLevel::Normal;
    bool wordShown = false;
    // True when the last load gave at least one entry with a word: blank entries are never drawn.
    bool hasWords = false;
};

} // namespace fururupo
