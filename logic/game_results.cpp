#include "logic/game_results.h"

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

double keysPerMinuteOf(std::int32_t keys, std::int32_t seconds)
{
    if (seconds <= 0 || keys < 0)
        return 0;
    return static_cast<double>(keys) * 60.0 / static_cast<double>(seconds);
}

double accuracyOf(std::int32_t keys, std::int32_t mistakes)
{
    if (keys <= 0 || mistakes < 0 || mistakes > keys)
        return 100;
    return 100.0 * static_cast<double>(keys - mistakes) / static_cast<double>(keys);
}

GameSummary summarize(const GameTally& tally, std::int32_t seconds)
{
    return summarize(seconds, tally.keys(), tally.mistakes(), tally.words());
}

GameSummary summarize(std::int32_t seconds, std::int32_t keys, std::int32_t mistakes,
                      const std::vector<WordOutcome>& words)
{
    GameSummary summary;
    summary.seconds = seconds;
    summary.keys = keys;
    summary.mistakes = mistakes;
    summary.keysPerMinute = keysPerMinuteOf(keys, seconds);
    summary.accuracy = accuracyOf(keys, mistakes);
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
    std::u16string text = u"打鍵 " + decimal(summary.keys) + u" 回（1 分あたり " +
                          number(std::nearbyint(summary.keysPerMinute), 0) + u" 打）　ミス " +
                          decimal(summary.mistakes) + u" 回　正確さ " + number(summary.accuracy, 1) + u"%";
    if (!summary.slowest.word.empty()) {
        text += std::u16string(texts::lineBreak) + u"いちばん時間がかかったことば：" + summary.slowest.word + u"（" +
                (summary.slowest.timedOut ? std::u16string(u"時間切れ") : decimal(summary.slowest.seconds) + u" 秒") +
                u"）";
    }
    switch (standing) {
    case BestStanding::Unknown:
        break;
    case BestStanding::First:
        text += std::u16string(texts::lineBreak) + u"★ はじめての記録です。これが自己ベストです ★";
        break;
    case BestStanding::NewBest:
        text += std::u16string(texts::lineBreak) + u"★ 自己ベスト更新！ ★　これまでのベスト：" +
                decimal(bestBefore.value_or(0)) + u" 秒";
        break;
    case BestStanding::NotBetter:
        text += std::u16string(texts::lineBreak) + u"自己ベスト：" + decimal(bestBefore.value_or(0)) + u" 秒";
        break;
    }
    return text;
}

} // namespace fururupo
