// The rankings of missed kana and words, and the chart's runs of games, as plain functions.
#include "logic/progress_buckets.h"
#include "logic/rankings.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace fururupo {
namespace {

TEST(Rankings, KanaRankByRateThenMissesThenKanaAndLeaveOutThoseNeverMissed)
{
    const std::vector<KanaMisses> kana = {
        {u"か", 8, 4}, {u"き", 2, 1}, {u"く", 1, 1}, {u"け", 10, 0},
        {u"さ", 2, 1}, {u"こ", 3, 1}, {u"し", 6, 2}, {u"す", 0, 0},
    };
    std::vector<std::tuple<std::u16string, std::int64_t, std::int64_t>> ranked;
    for (const KanaMisses& k : rankKana(kana, 10))
        ranked.emplace_back(k.kana, k.typed, k.missed);
    // 1/3 and 2/6 are the same rate: the one of more misses first.
    EXPECT_EQ(ranked, (std::vector<std::tuple<std::u16string, std::int64_t, std::int64_t>>{
                          {u"く", 1, 1}, {u"か", 8, 4}, {u"き", 2, 1}, {u"さ", 2, 1}, {u"し", 6, 2}, {u"こ", 3, 1}}));
    EXPECT_EQ(rankKana(kana, 2).size(), 2u);
    EXPECT_TRUE(rankKana(kana, 0).empty());
    EXPECT_TRUE(rankKana({}, 10).empty());
}

TEST(Rankings, WordsRankByMissesThenTimeUpsThenWordAndLeaveOutThoseNeverMissed)
{
    const std::vector<WordMisses> words = {
        {u"猫", 2, 1, 1}, {u"犬", 2, 2, 1}, {u"鳥", 5, 0, 0}, {u"魚", 2, 2, 1}, {u"蛙", 2, 2, 0},
    };
    std::vector<std::u16string> ranked;
    for (const WordMisses& w : rankWords(words, 10))
        ranked.push_back(w.word);
    EXPECT_EQ(ranked, (std::vector<std::u16string>{u"犬", u"魚", u"蛙", u"猫"}));
    ASSERT_EQ(rankWords(words, 1).size(), 1u);
    EXPECT_EQ(rankWords(words, 1)[0].timedOut, 1);
}

// A run of games keeps the count, sum, lowest and highest of each measure, its rates worked out as the results do.
TEST(ProgressBuckets, AGameIsARunOfOneAndRunsMergeTheirMeasures)
{
    // 190 correct keys of 200 in 100 s: 114 a minute at 95 %, a score of 114 × 0.95³ = 97.7.
    const ProgressBucket first = bucketOfGame({100, 200, 190, 10});
    EXPECT_EQ(first.games, 1);
    EXPECT_DOUBLE_EQ(first.keysPerMinute.sum, 114);
    EXPECT_DOUBLE_EQ(first.accuracy.sum, 95);
    EXPECT_DOUBLE_EQ(first.score.sum, 98);
    const ProgressBucket idle = bucketOfGame({0, 0, 0, 0}); // no time: no rate; no keys: none a mistake
    EXPECT_DOUBLE_EQ(idle.keysPerMinute.sum, 0);
    EXPECT_DOUBLE_EQ(idle.accuracy.sum, 100);
    EXPECT_DOUBLE_EQ(idle.score.sum, 0);

    const ProgressBucket both = merged(first, bucketOfGame({50, 100, 100, 0}));
    EXPECT_EQ(both.games, 2);
    EXPECT_DOUBLE_EQ(both.meanOf(&ProgressBucket::seconds), 75);
    EXPECT_DOUBLE_EQ(both.seconds.low, 50);
    EXPECT_DOUBLE_EQ(both.seconds.high, 100);
    EXPECT_DOUBLE_EQ(both.accuracy.low, 95);
    EXPECT_DOUBLE_EQ(both.accuracy.high, 100);
    EXPECT_DOUBLE_EQ(both.score.low, 98);
    EXPECT_DOUBLE_EQ(both.score.high, 120);
}

// However many games are added, there are never more than maxProgressBuckets runs, every run but the last is full,
// the games are all counted in order, and a run's mean is that of its own games.
TEST(ProgressBuckets, AHistoryOfAnyLengthStaysWithinItsRunsAndKeepsEveryGameInOrder)
{
    for (int games : {1, 511, 512, 513, 1024, 1025, 100'000}) {
        SCOPED_TRACE(games);
        std::vector<ProgressBucket> buckets;
        for (int game = 0; game < games; ++game)
            addGame(buckets, bucketOfGame({game % 1000, 100, 100, 0}));
        ASSERT_LE(buckets.size(), static_cast<std::size_t>(maxProgressBuckets));
        std::int64_t counted = 0;
        for (std::size_t at = 0; at < buckets.size(); ++at) {
            const ProgressBucket& bucket = buckets[at];
            EXPECT_EQ(bucket.span, buckets.front().span);
            if (at + 1 < buckets.size()) {
                EXPECT_EQ(bucket.games, bucket.span);
            }
            // The games counter..counter+games-1, of seconds game % 1000, in this run.
            double sum = 0;
            for (std::int64_t game = counted; game < counted + bucket.games; ++game)
                sum += static_cast<double>(game % 1000);
            EXPECT_DOUBLE_EQ(bucket.seconds.sum, sum);
            counted += bucket.games;
        }
        EXPECT_EQ(counted, games);
        // The runs double only when they must: half the runs would hold them all otherwise.
        EXPECT_GT(buckets.size() * 2, static_cast<std::size_t>(std::min(games, maxProgressBuckets)));
    }
}

} // namespace
} // namespace fururupo
