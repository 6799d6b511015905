#pragma once

#include "logic/game_tally.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fururupo {

// What the results show of one game, worked out from its tally.
struct GameSummary
{
    std::int32_t seconds = 0;
    std::int32_t keys = 0;
    std::int32_t mistakes = 0;
    // Keys a minute over the game's seconds (0 for a game of no seconds), and the share of keys that were no
    // mistake in per cent (100 for a game of no keys).
    double keysPerMinute = 0;
    double accuracy = 100;
    // The word that took longest (a timed-out one counts its whole limit; the earlier one wins a tie); empty when no
    // word was played.
    WordOutcome slowest;
};

GameSummary summarize(const GameTally& tally, std::int32_t seconds);
GameSummary summarize(std::int32_t seconds, std::int32_t keys, std::int32_t mistakes,
                      const std::vector<WordOutcome>& words);

// Keys a minute and accuracy as the results and the history both work them out from the saved counts.
double keysPerMinuteOf(std::int32_t keys, std::int32_t seconds);
double accuracyOf(std::int32_t keys, std::int32_t mistakes);

// How this game stands against the best kept before it, for the same list and speed.
enum class BestStanding {
    Unknown,   // the history could not be read: nothing is said about bests
    First,     // the first finished game kept for this list and speed
    NewBest,   // fewer seconds than the best before it
    NotBetter, // the same or more seconds
};

// The lines shown beside the record message once a game is finished, joined by CR LF: keys, keys a minute, mistakes
// and accuracy; the slowest word; and the best record, with ★ marking a new one.
std::u16string resultsText(const GameSummary& summary, BestStanding standing, std::optional<std::int32_t> bestBefore);

} // namespace fururupo
