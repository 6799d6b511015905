#pragma once

#include "logic/kana_keyboard.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// Counts the keys of one game against the keys that were next to press: fixed tables by key and by pair of keys, so
// that each key costs a few additions whatever the game, and nothing is allocated while it is played. Its counts never
// exceed the keys the game's tally counted, so they cannot overflow before the tally does.
class KeySlipTally
{
public:
    // A new game: every count back to zero.
    void reset();

    // A key was taken while `expected` was the key to press. A key that made a mistake is missed for `expected`, and
    // is a slip from `expected` to `hit` when the key pressed is known and is another key.
    void keyTaken(KeyboardKey expected, std::optional<KeyboardKey> hit, bool mistake);

    // Every key that was next to press at least once, in the keyboard's order.
    std::vector<KeyCount> keyCounts() const;
    // Every slip made at least once, by expected key and then by the key hit, in the keyboard's order.
    std::vector<KeyConfusion> confusions() const;

private:
    static constexpr std::size_t keys = static_cast<std::size_t>(KeyboardKey::F12) + 1;

    std::array<std::int32_t, keys> expected{};
    std::array<std::int32_t, keys> missed{};
    // By expected key times keys, plus the key hit.
    std::array<std::int32_t, keys * keys> slips{};
};

// Whether a key is one of the keyboard's (a value read from a file may be anything).
bool knownKey(KeyboardKey key);

// The slips made at least once, most frequent first; on the same count by expected key, then by the key hit, in the
// keyboard's order.
std::vector<ConfusionCount> rankConfusions(std::vector<ConfusionCount> confusions, std::size_t limit);

} // namespace fururupo
