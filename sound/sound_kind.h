#pragma once

#include <array>
#include <cstdint>

namespace fururupo {

// The moments of a game that a sound marks. The countdown's "3", "2" and "1" share one sound; "START" has its own.
enum class SoundKind : std::uint8_t {
    KeyClick,  // a key the input box takes
    Miss,      // a key after which the box no longer holds the start of the word
    Correct,   // a word answered: the star
    Countdown, // "3", "2" and "1"
    Start,     // "START"
    TimeUp,    // the word's time has run out
    Record,    // the record after the 21st word
    NewBest,   // the same when it beats the best kept for the list and speed
};

inline constexpr std::array<SoundKind, 8> allSoundKinds = {
    SoundKind::KeyClick, SoundKind::Miss,   SoundKind::Correct, SoundKind::Countdown,
    SoundKind::Start,    SoundKind::TimeUp, SoundKind::Record,  SoundKind::NewBest,
};

// The key click is switched on its own; every other kind goes with "the other sounds".
constexpr bool isKeyClick(SoundKind kind)
{
    return kind == SoundKind::KeyClick;
}

} // namespace fururupo
