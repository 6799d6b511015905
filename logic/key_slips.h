#pragma once

#include "logic/kana_keyboard.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fururupo {

// One physical key over the keys of a game: how many times it was the next key to press, and in how many of those the
// player pressed another (so missed never exceeds expected).
struct KeyCount
{
    KeyboardKey key = KeyboardKey::Space;
    std::int32_t expected = 0;
    std::int32_t missed = 0;
};

// One slip over the keys of a game: the key that was next to press, the key pressed instead, and how often.
struct KeyConfusion
{
    KeyboardKey expected = KeyboardKey::Space;
    KeyboardKey hit = KeyboardKey::Space;
    std::int32_t count = 0;
};

// One key over the games of a list, speed and way of typing.
struct KeyMisses
{
    KeyboardKey key = KeyboardKey::Space;
    std::int64_t expected = 0;
    std::int64_t missed = 0;
    double rate() const { return expected > 0 ? static_cast<double>(missed) / static_cast<double>(expected) : 0.0; }
};

// One slip over the games of a list, speed and way of typing.
struct ConfusionCount
{
    KeyboardKey expected = KeyboardKey::Space;
    KeyboardKey hit = KeyboardKey::Space;
    std::int64_t count = 0;
};

// Whether a key is one of the keyboard's (a value read from a file may be anything).
bool knownKey(KeyboardKey key);

// The slips made at least once, most frequent first; on the same count by expected key, then by the key hit, in the
// keyboard's order.
std::vector<ConfusionCount> rankConfusions(std::vector<ConfusionCount> confusions, std::size_t limit);

} // namespace fururupo
