#include "logic/game_results.h"

#include "logic/game_score.h"
#include "logic/typing_game.h"
#include "platform/checked.h"

#include <cmath>
#include <cstdio>

namespace fururupo {

namespace {

std::u16string ascii(const char* text)
{
    std::u16string out;
    for (const char* c = text; *c != '\0'; ++c)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    return out;
}

std::u16string number(double value, int decimals)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return ascii(buffer);
}

} // namespace

double GameCounts::keysPerMinute() const
{
    return correctKeysPerMinute(goodKeys, seconds);
}

double GameCounts::accuracy() const
{
    return accuracyOf(keys, mistakes);
}

std::int32_t GameCounts::score() const
{
    return gameScore(keysPerMinute(), accuracy());
}

double accuracyOf(std::int32_t keys, std::int32_t mistakes)
{
    if (keys <= 0 || mistakes < 0 || mistakes > keys)
        return 100;
    return 100.0 * static_cast<double>(keys - mistakes) / static_cast<double>(keys);
}

std::u16string_view styleName(TypingStyle style)
{
    switch (style) {
    case TypingStyle::Kana:
        return u"かな入力";
    case TypingStyle::InputMethod:
        return u"日本語入力システム";
    case TypingStyle::Romaji:
        break;
    }
    return u"ローマ字入力";
}

GameSummary summarize(const GameTally& tally, std::int32_t seconds)
{
    return summarize({seconds, tally.keys(), tally.goodKeys(), tally.mistakes()}, tally.typingStyle(), tally.words());
}

GameSummary summarize(const GameCounts& counts, TypingStyle style, const std::vector<WordOutcome>& words)
{
    GameSummary summary;
    summary.counts = counts;
    summary.style = style;
    const WordOutcome* slowest = nullptr;
    for (const WordOutcome& word : words) {
        if (slowest == nullptr || word.seconds > slowest->seconds)
            slowest = &word;
    }
    if (slowest != nullptr)
        summary.slowest = *slowest;
    return summary;
}

std::u16string resultsText(const GameSummary& summary, BestStanding standing, std::optional<std::int32_t> bestBefore)
{
    const GameCounts& counts = summary.counts;
    const std::u16string lineBreak(texts::lineBreak);
    std::u16string text = u"打鍵 " + decimal(counts.keys) + u" 回（正しい打鍵 1 分あたり " +
                          number(std::nearbyint(counts.keysPerMinute()), 0) + u" 打）　ミス " +
                          decimal(counts.mistakes) + u" 回　正確さ " + number(counts.accuracy(), 1) + u"%";
    text += lineBreak + scoreText(counts.score()) + u"　　入力方法：" + std::u16string(styleName(summary.style));
    if (!summary.slowest.word.empty()) {
        text += lineBreak + u"いちばん時間がかかったことば：" + summary.slowest.word + u"（" +
                (summary.slowest.timedOut ? std::u16string(u"時間切れ") : decimal(summary.slowest.seconds) + u" 秒") +
                u"）";
    }
    switch (standing) {
    case BestStanding::Unknown:
        break;
    case BestStanding::First:
        text += lineBreak + u"★ はじめての記録です。これが自己ベストです ★";
        break;
    case BestStanding::NewBest:
        text += lineBreak + u"★ 自己ベスト更新！ ★　これまでのベスト：" + decimal(bestBefore.value_or(0)) + u" 秒";
        break;
    case BestStanding::NotBetter:
        text += lineBreak + u"自己ベスト：" + decimal(bestBefore.value_or(0)) + u" 秒";
        break;
    }
    return text;
}

} // namespace fururupo
