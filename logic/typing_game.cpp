#include "logic/typing_game.h"

#include "platform/checked.h"

#include <limits>
#include <utility>

namespace fururupo {

std::int32_t wordLimitOf(SpeedLevel speed)
{
    switch (speed) {
    case SpeedLevel::Slow:
        return 19;
    case SpeedLevel::Normal:
        return 14;
    case SpeedLevel::Fast:
        return 4;
    }
    return 14;
}

std::u16string_view captionOf(SpeedLevel speed)
{
    switch (speed) {
    case SpeedLevel::Slow:
        return u"おそい";
    case SpeedLevel::Normal:
        return u"ふつう";
    case SpeedLevel::Fast:
        return u"はやい";
    }
    return u"ふつう";
}

TypingGame::TypingGame(GameDisplay& display, const WordList& list, RandomSource random, std::u16string wordFileLocation)
    : display(display), list(list), random(std::move(random)), wordFileLocation(std::move(wordFileLocation))
{
}

void TypingGame::setWordFile(std::u16string name, std::u16string location)
{
    wordFileName = std::move(name);
    wordFileLocation = std::move(location);
}

void TypingGame::showPrompt(std::u16string text, bool isWord, std::u16string_view reading)
{
    promptText = std::move(text);
    answerText = reading.empty() ? promptText : std::u16string(reading);
    wordShown = isWord;
    display.setPrompt(promptText);
    if (!reading.empty())
        display.setReading(reading);
}

void TypingGame::startGame(bool slow, bool normal, bool fast, const Load& load)
{
    display.setCountdownClock(false);
    display.setWordClock(false);
    showPrompt({});
    display.setExplanation({});
    starsText.clear();
    display.setStars(starsText);
    display.setInputText({});
    counters.countdown = 3;
    counters.ticksLeft = 10;
    // Separate tests, not a choice: with several flags set, the last one wins.
    const std::pair<bool, SpeedLevel> flags[] = {
        {slow, SpeedLevel::Slow}, {normal, SpeedLevel::Normal}, {fast, SpeedLevel::Fast}};
    for (const auto& [set, speed] : flags) {
        if (!set)
            continue;
        counters.wordLimit = wordLimitOf(speed);
        speedSet = speed;
        counters.ticksLeft = narrow16(counters.wordLimit);
        display.setSpeedCaption(captionOf(speed));
    }
    counters.cleared = 0;
    counters.entries = 0;
    counting.reset();
    // The load yields to pending events, so input can arrive here; no word is on display, so none of it matches.
    counters.entries = load();
    hasWords = false;
    for (std::int32_t i = 0; i < counters.entries && !hasWords; ++i)
        hasWords = !list.word(i).empty();
    display.setInputText(u" ");
    counters.elapsed = 0;
    display.setCountdownClock(true);
}

void TypingGame::countdownTick()
{
    switch (counters.countdown) {
    case 3:
        showPrompt(u"3");
        break;
    case 2:
        showPrompt(u"2");
        break;
    case 1:
        showPrompt(u"1");
        break;
    case 0:
        showPrompt(u"START");
        display.setCountdownClock(false);
        display.setWordClock(true);
        display.setInputText({});
        break;
    default:
        break;
    }
    counters.countdown = subtract16(counters.countdown, 1);
}

std::int16_t TypingGame::drawIndex()
{
    const std::int32_t last = subtract32(counters.entries, 1);
    const auto draw = [&] { return roundToInt16(static_cast<double>(random()) * static_cast<double>(last)); };
    const auto drawOnce = [&] {
        std::int16_t index = draw();
        // The second draw is taken as it comes: the last entry appears only when both draws land on it.
        if (index >= last)
            index = draw();
        return index;
    };
    // A blank line is no word: draw again the same way, so a list without blank lines plays exactly as before. A list
    // that is almost all blank could take long to hit a word by chance (or never, on this random sequence), so after
    // enough tries the next word after the last draw is taken instead.
    constexpr int maxDraws = 1000;
    std::int16_t index = drawOnce();
    for (int draws = 1; draws < maxDraws && list.word(index).empty(); ++draws)
        index = drawOnce();
    for (std::int32_t step = 1; step <= last && list.word(index).empty(); ++step) {
        const std::int32_t next = add32(index, step) % counters.entries;
        if (!list.word(next).empty())
            return narrow16(next);
    }
    return index;
}

void TypingGame::wordClockTick()
{
    if (static_cast<std::int32_t>(counters.ticksLeft) == counters.wordLimit) {
        if (!hasWords) {
            // Nothing to draw from: say so, say where the words were looked for, and stop instead of ticking on.
            showPrompt(std::u16string(texts::noWords));
            display.setExplanation(std::u16string(texts::explanationHeading) + std::u16string(texts::lineBreak) +
                                   wordFileName + u" から単語を読めませんでした。探した場所：" + wordFileLocation);
            display.setWordClock(false);
            return;
        }
        const std::int16_t index = drawIndex();
        const std::u16string& word = list.word(index);
        const std::u16string& explanation = list.explanation(index);
        showPrompt(word, true, list.reading(index));
        counting.wordShown(word, answerText, counters.elapsed);
        display.setExplanation(std::u16string(texts::explanationHeading) + std::u16string(texts::lineBreak) +
                               explanation);
    }
    if (counters.ticksLeft <= 0) {
        counting.wordTimedOut(counters.elapsed);
        showPrompt(std::u16string(texts::timeUp));
        display.setExplanation({});
        display.setCountdownClock(false);
        display.setWordClock(true);
        display.setInputText({});
    }
    // A time-up can last for hours: the count of ticks left rests at its lower limit instead of overflowing.
    if (counters.ticksLeft > std::numeric_limits<std::int16_t>::min())
        counters.ticksLeft = subtract16(counters.ticksLeft, 1);
    counters.elapsed = add32(counters.elapsed, 1);
}

void TypingGame::checkInput(std::u16string_view text)
{
    // Only a word drawn from the list can be matched: an empty prompt, a countdown step or a message never earns a
    // star, so holding a key cannot win a game. A word written in kanji is answered by its reading, or by itself.
    const bool converted = text != answerText && text == promptText;
    if (!wordShown || (text != answerText && !converted))
        return;
    counting.wordMatched(counters.elapsed, converted);
    starsText += texts::star;
    display.setStars(starsText);
    showPrompt({});
    display.setExplanation({});
    display.setInputText({});
    counters.ticksLeft = narrow16(counters.wordLimit);
    counters.cleared = add16(counters.cleared, 1);
    if (counters.cleared > 20) {
        showPrompt(std::u16string(texts::congratulations) + std::u16string(texts::lineBreak) +
                   std::u16string(texts::record) + decimal(counters.elapsed) + std::u16string(texts::seconds));
        display.setWordClock(false);
        counters.cleared = 0;
        display.gameFinished();
    }
}

} // namespace fururupo
