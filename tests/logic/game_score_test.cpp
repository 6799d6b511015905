// The score and grade a game earns, over games at the edges of each rule.
#include "logic/game_score.h"

#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

using namespace fururupo;
using fururupo::testing::utf8;

namespace {

// A speed bought with mistakes must score below a clean game, and each grade must start exactly at its score, or the
// figure players chase would reward the wrong thing or move under them.
TEST(GameScore, WeighsCorrectKeysAMinuteByTheCubeOfAccuracyAndGradesTheResult)
{
    struct Game
    {
        const char* what;
        std::int32_t goodKeys, seconds;
        double accuracy;
        double perMinute;
        std::int32_t score;
        std::u16string_view grade;
    };
    const Game games[] = {
        {"no seconds", 10, 0, 100, 0, 0, u"はじめてのお客さま"},
        {"no keys", 0, 60, 100, 0, 0, u"はじめてのお客さま"},
        {"just below the second step", 49, 60, 100, 49, 49, u"はじめてのお客さま"},
        {"half a point rounds up onto it", 99, 120, 100, 49.5, 50, u"二度目のお客さま"},
        {"a clean game", 255, 60, 100, 255, 255, u"上得意さま"},
        {"faster with mistakes", 300, 60, 88, 300, 204, u"お得意さま"},
        {"one slip in a hundred", 300, 60, 99, 300, 291, u"上得意さま"},
        {"every key a mistake", 0, 60, 0, 0, 0, u"はじめてのお客さま"},
        {"just below the top", 699, 60, 100, 699, 699, u"伝説のお客さま"},
        {"the top", 720, 60, 100, 720, 720, u"当店随一の賓客"},
        {"accuracy above 100 counts as 100", 60, 60, 130, 60, 60, u"二度目のお客さま"},
    };
    for (const Game& g : games) {
        const double perMinute = correctKeysPerMinute(g.goodKeys, g.seconds);
        EXPECT_DOUBLE_EQ(perMinute, g.perMinute) << g.what;
        const std::int32_t score = gameScore(perMinute, g.accuracy);
        EXPECT_EQ(score, g.score) << g.what;
        EXPECT_EQ(utf8(gradeFor(score).name), utf8(g.grade)) << g.what;
    }
    EXPECT_EQ(gameScore(std::numeric_limits<double>::infinity(), 100), 1'000'000'000);
    EXPECT_EQ(gameScore(std::numeric_limits<double>::quiet_NaN(), 100), 0);
    EXPECT_EQ(utf8(gradeFor(-5).name), utf8(u"はじめてのお客さま"));
    EXPECT_EQ(utf8(scoreText(182)), utf8(u"スコア 182　常連さん"));
}

// A ladder out of order would hand a lower grade to a higher score.
TEST(GameScore, TheLadderClimbsFromZeroInEightToTwelveStepsOfDistinctNames)
{
    const auto ladder = gradeLadder();
    ASSERT_GE(ladder.size(), 8u);
    ASSERT_LE(ladder.size(), 12u);
    EXPECT_EQ(ladder.front().score, 0);
    std::set<std::u16string_view> names;
    for (std::size_t i = 0; i < ladder.size(); ++i) {
        names.insert(ladder[i].name);
        if (i > 0) {
            EXPECT_GT(ladder[i].score, ladder[i - 1].score) << i;
        }
        EXPECT_EQ(&gradeFor(ladder[i].score), &ladder[i]) << i;
        EXPECT_EQ(&gradeFor(ladder[i].score - 1), &ladder[i == 0 ? 0 : i - 1]) << i;
    }
    EXPECT_EQ(names.size(), ladder.size());
}

} // namespace
