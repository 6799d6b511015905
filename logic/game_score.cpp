#include "logic/game_score.h"

#include "platform/checked.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace fururupo {

namespace {

// A visit to the shop, from the first to the most honoured: close steps where most players are, wider ones above 300,
// where each is a real gain in speed and care.
constexpr std::array<Grade, 11> ladder = {{
    {u"はじめてのお客さま", 0},
    {u"二度目のお客さま", 50},
    {u"顔なじみのお客さま", 100},
    {u"常連さん", 150},
    {u"お得意さま", 200},
    {u"上得意さま", 250},
    {u"特等席のお客さま", 300},
    {u"名誉会員さま", 400},
    {u"殿堂入りのお客さま", 500},
    {u"伝説のお客さま", 600},
    {u"当店随一の賓客", 700},
}};

} // namespace

double correctKeysPerMinute(std::int32_t goodKeys, std::int32_t seconds)
{
    if (seconds <= 0 || goodKeys <= 0)
        return 0;
    return static_cast<double>(goodKeys) * 60.0 / static_cast<double>(seconds);
}

std::int32_t gameScore(double correctKeysPerMinute, double accuracy)
{
    if (!(correctKeysPerMinute > 0) || !(accuracy > 0))
        return 0;
    const double share = std::min(accuracy, 100.0) / 100.0;
    // Far above any human speed; keeps a corrupt figure from overflowing the whole number.
    const double score = std::min(correctKeysPerMinute * share * share * share, 1e9);
    return static_cast<std::int32_t>(std::lround(score));
}

std::span<const Grade> gradeLadder()
{
    return ladder;
}

const Grade& gradeFor(std::int32_t score)
{
    const auto above = std::upper_bound(ladder.begin(), ladder.end(), score,
                                        [](std::int32_t value, const Grade& grade) { return value < grade.score; });
    return above == ladder.begin() ? ladder.front() : *std::prev(above);
}

std::u16string scoreText(std::int32_t score)
{
    return u"スコア " + decimal(score) + u"　" + std::u16string(gradeFor(score).name);
}

} // namespace fururupo
