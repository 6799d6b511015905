#pragma once

#include "logic/game_results.h"

#include <cstdint>
#include <vector>

namespace fururupo {

// The count, sum, lowest and highest of one measure over a run of games.
struct Spread
{
    double sum = 0;
    double low = 0;
    double high = 0;
};

// A run of consecutive finished games of one list, speed and way of typing, as the chart of progress draws it: the mean
// of each measure on the line and its lowest to highest as a band. A history of any length is kept as at most
// maxProgressBuckets of them, so the chart costs the same to read and draw after ten games or after a hundred
// thousand.
struct ProgressBucket
{
    std::int64_t games = 0;
    // The games this bucket may hold before the next game opens a new one: a power of two, the same for every
    // bucket of a history.
    std::int64_t span = 1;
    Spread seconds;
    Spread keysPerMinute; // correct keys a minute
    Spread accuracy;
    Spread score;

    double meanOf(const Spread ProgressBucket::*measure) const
    {
        return games > 0 ? (this->*measure).sum / static_cast<double>(games) : 0.0;
    }
};

inline constexpr int maxProgressBuckets = 512;

// One game as a bucket of its own, its figures worked out as the results show them.
ProgressBucket bucketOfGame(const GameCounts& game);

// Two consecutive buckets as one, earlier first.
ProgressBucket merged(const ProgressBucket& earlier, const ProgressBucket& later);

// Every two consecutive buckets as one, their span doubled: what a full history does to make room.
std::vector<ProgressBucket> pairedUp(const std::vector<ProgressBucket>& buckets);

// Adds one game after the last bucket: into it while it has room, else into a new one, pairing the buckets up first
// when there are already maxProgressBuckets of them. The store does the same row by row.
void addGame(std::vector<ProgressBucket>& buckets, const ProgressBucket& game);

} // namespace fururupo
