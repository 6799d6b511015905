#pragma once

#include "logic/game_tally.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fururupo {

// The counts a game is kept by, from which every figure of its results is worked out, on the game screen and in the
// history alike.
struct GameCounts
{
    std::int32_t seconds = 0;
    std::int32_t keys = 0;     // every counted key: good ones, mistakes and corrections
    std::int32_t goodKeys = 0; // the keys that brought a word nearer (GameTally::goodKeys)
    std::int32_t mistakes = 0;

    // Correct keys a minute (correctKeysPerMinute); 0 for a game of no seconds.
    double keysPerMinute() const;
    // The share of keys that were no mistake, in per cent; 100 for a game of no keys.
    double accuracy() const;
    // gameScore of the two.
    std::int32_t score() const;
};

// The share of keys that were no mistake, in per cent; 100 for no keys, or for counts that cannot be.
double accuracyOf(std::int32_t keys, std::int32_t mistakes);

// The way of typing as the results and the 成績 window name it.
std::u16string_view styleName(TypingStyle style);

// What the results show of one game, worked out from its tally.
struct GameSummary
{
    GameCounts counts;
    TypingStyle style = TypingStyle::Romaji;
    // The word that took longest (a timed-out one counts its whole limit; the earlier one wins a tie); empty when no
    // word was played.
    WordOutcome slowest;
};

GameSummary summarize(const GameTally& tally, std::int32_t seconds);
GameSummary summarize(const GameCounts& counts, TypingStyle style, const std::vector<WordOutcome>& words);

// How this game stands against the best kept before it, for the same list, speed and way of typing.
enum class BestStanding {
    Unknown,   // the history could not be read: nothing is said about bests
    First,     // the first finished game kept for this list, speed and way of typing
    NewBest,   // fewer seconds than the best before it
    NotBetter, // the same or more seconds
};

// The lines shown beside the record message once a game is finished, joined by CR LF: keys, correct keys a minute,
// mistakes and accuracy; the score with its grade, and the way of typing; the slowest word; and the best record, with
// ★ marking a new one.
std::u16string resultsText(const GameSummary& summary, BestStanding standing, std::optional<std::int32_t> bestBefore);

} // namespace fururupo
