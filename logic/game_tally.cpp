#include "logic/game_tally.h"

#include "platform/checked.h"

#include <algorithm>

namespace fururupo {

void GameTally::reset()
{
    outcomes.clear();
    kanaCounts.clear();
    good = 0;
    wrong = 0;
    corrected = 0;
    byStyle = {};
    showing = false;
    current = {};
    missedHere.clear();
}

void GameTally::wordShown(std::u16string_view word, std::u16string_view answer, std::int32_t elapsed)
{
    showing = true;
    current = {};
    current.word = std::u16string(word);
    current.answer = std::u16string(answer);
    shownAt = elapsed;
    lastLength = 0;
    lastRight = 0;
    missedHere.assign(current.answer.size(), false);
}

std::size_t GameTally::rightPart(std::u16string_view text) const
{
    const std::u16string_view answer = current.answer;
    const auto [inText, inAnswer] = std::mismatch(text.begin(), text.end(), answer.begin(), answer.end());
    return static_cast<std::size_t>(inText - text.begin());
}

void GameTally::markMissed(std::size_t at)
{
    // Past the end of the answer there is no kana to blame: the word was complete and something followed it.
    if (at < missedHere.size())
        missedHere[at] = true;
}

void GameTally::keyTaken(std::u16string_view textAfter, std::optional<TypingStyle> typedAs)
{
    if (!showing)
        return;
    if (typedAs) {
        std::int32_t& count = byStyle[static_cast<std::size_t>(*typedAs)];
        count = add32(count, 1);
    }
    const std::size_t length = textAfter.size();
    const std::size_t right = rightPart(textAfter);
    // A word in kanji may come converted, whole or in part: the start of the word as written is on track too.
    const bool onTrack = (right == length && length <= current.answer.size()) ||
                         (current.word != current.answer && std::u16string_view(current.word).starts_with(textAfter));
    if (length < lastLength) {
        corrected = add32(corrected, 1);
    } else if (onTrack) {
        good = add32(good, 1);
    } else {
        wrong = add32(wrong, 1);
        current.mistakes = add32(current.mistakes, 1);
        markMissed(right);
    }
    lastLength = length;
    lastRight = right;
}

void GameTally::wordMatched(std::int32_t elapsed, bool converted)
{
    if (!showing)
        return;
    good = add32(good, 1);
    current.converted = converted;
    closeWord(elapsed, false);
}

TypingStyle GameTally::typingStyle() const
{
    TypingStyle most = TypingStyle::Romaji;
    for (const TypingStyle style : {TypingStyle::Kana, TypingStyle::InputMethod})
        if (keysTypedAs(style) > 0 && keysTypedAs(style) >= keysTypedAs(most))
            most = style;
    return most;
}

void GameTally::wordTimedOut(std::int32_t elapsed)
{
    if (!showing)
        return;
    markMissed(lastRight);
    closeWord(elapsed, true);
}

void GameTally::closeWord(std::int32_t elapsed, bool timedOut)
{
    showing = false;
    current.seconds = std::max<std::int32_t>(subtract32(elapsed, shownAt), 0);
    current.timedOut = timedOut;
    for (std::size_t i = 0; i < current.answer.size(); ++i) {
        const char16_t kana = current.answer[i];
        // Half a surrogate pair is no character to show; words are kana, and the rare other character is skipped.
        if (kana >= 0xD800 && kana <= 0xDFFF)
            continue;
        auto count = std::find_if(kanaCounts.begin(), kanaCounts.end(),
                                  [kana](const KanaCount& c) { return c.kana.size() == 1 && c.kana[0] == kana; });
        if (count == kanaCounts.end())
            count = kanaCounts.insert(kanaCounts.end(), KanaCount{std::u16string(1, kana), 0, 0});
        count->typed = add32(count->typed, 1);
        if (missedHere[i])
            count->missed = add32(count->missed, 1);
    }
    outcomes.push_back(std::move(current));
    current = {};
    missedHere.clear();
}

} // namespace fururupo
