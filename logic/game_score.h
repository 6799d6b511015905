#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fururupo {

// Correct keys a minute: the good keys (those after which the box still held the start of the word, the key that
// accepted a word included) over the game's seconds. Mistakes and corrections (Backspace) are left out, since neither
// brings a word nearer; 0 for a game of no seconds.
double correctKeysPerMinute(std::int32_t goodKeys, std::int32_t seconds);

// The game's score: correct keys a minute × (accuracy ÷ 100)³, rounded to a whole number; accuracy in per cent, as
// the results show it. The cube makes every point of accuracy worth about three per cent of the score, so a clean
// game beats a hurried one: at 95 % a player keeps 86 % of their speed, at 90 % only 73 %, at 80 % half. A square
// would make 5 % less accuracy cost only a tenth, which a little hurry wins back; a fourth power would make one slip
// in twenty cost a fifth of the score. Whole numbers from 0 to about 800 give round steps to chase.
std::int32_t gameScore(double correctKeysPerMinute, double accuracy);

// One step of the ladder of grades, from a first visit to the house's most honoured guest.
struct Grade
{
    std::u16string_view name;
    std::int32_t score; // the least score that earns it
};

// Every grade, the lowest (score 0) first, each needing more than the one before.
std::span<const Grade> gradeLadder();

// The highest grade the score earns; the lowest for a score of 0 or less.
const Grade& gradeFor(std::int32_t score);

// The score as the results name it, with its grade beside it: "スコア 182　常連さん".
std::u16string scoreText(std::int32_t score);

} // namespace fururupo
