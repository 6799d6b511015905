#pragma once

#include "sound/sound_kind.h"

#include <cstdint>
#include <vector>

namespace fururupo {

// Every sound of the game is made here from a few notes written in sound_shapes.cpp: no recording is read.
// Samples are signed 16-bit, one channel, at soundRate; each sound starts and ends on silence (a raised-cosine
// attack and release), has no DC to speak of, and peaks at peakDecibels(kind) below full scale.
inline constexpr int soundRate = 48000;

// The samples of one kind, made afresh on each call (a few milliseconds for all of them together).
std::vector<std::int16_t> makeSound(SoundKind kind);

// The peak each kind is scaled to, in dB below full scale: well under the desktop's other sounds, the click quieter.
double peakDecibels(SoundKind kind);

} // namespace fururupo
