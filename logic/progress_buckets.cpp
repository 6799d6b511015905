#include "logic/progress_buckets.h"

#include "logic/game_results.h"

#include <algorithm>

namespace fururupo {
namespace {

Spread spreadOf(double value)
{
    return {value, value, value};
}

Spread both(const Spread& a, const Spread& b)
{
    return {a.sum + b.sum, std::min(a.low, b.low), std::max(a.high, b.high)};
}

} // namespace

ProgressBucket bucketOfGame(const GameCounts& game)
{
    ProgressBucket bucket;
    bucket.games = 1;
    bucket.span = 1;
    bucket.seconds = spreadOf(game.seconds);
    bucket.keysPerMinute = spreadOf(game.keysPerMinute());
    bucket.accuracy = spreadOf(game.accuracy());
    bucket.score = spreadOf(game.score());
    return bucket;
}

ProgressBucket merged(const ProgressBucket& earlier, const ProgressBucket& later)
{
    if (earlier.games <= 0)
        return later;
    if (later.games <= 0)
        return earlier;
    ProgressBucket bucket;
    bucket.games = earlier.games + later.games;
    bucket.span = std::max(earlier.span, later.span);
    bucket.seconds = both(earlier.seconds, later.seconds);
    bucket.keysPerMinute = both(earlier.keysPerMinute, later.keysPerMinute);
    bucket.accuracy = both(earlier.accuracy, later.accuracy);
    bucket.score = both(earlier.score, later.score);
    return bucket;
}

std::vector<ProgressBucket> pairedUp(const std::vector<ProgressBucket>& buckets)
{
    std::vector<ProgressBucket> pairs;
    pairs.reserve((buckets.size() + 1) / 2);
    for (std::size_t at = 0; at < buckets.size(); at += 2) {
        ProgressBucket pair = at + 1 < buckets.size() ? merged(buckets[at], buckets[at + 1]) : buckets[at];
        pair.span = buckets[at].span * 2;
        pairs.push_back(pair);
    }
    return pairs;
}

void addGame(std::vector<ProgressBucket>& buckets, const ProgressBucket& game)
{
    if (!buckets.empty() && buckets.back().games < buckets.back().span) {
        const std::int64_t span = buckets.back().span;
        buckets.back() = merged(buckets.back(), game);
        buckets.back().span = span;
        return;
    }
    if (buckets.size() >= static_cast<std::size_t>(maxProgressBuckets))
        buckets = pairedUp(buckets);
    ProgressBucket next = game;
    next.span = buckets.empty() ? 1 : buckets.back().span;
    buckets.push_back(next);
}

} // namespace fururupo
