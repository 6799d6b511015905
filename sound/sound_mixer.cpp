#include "sound/sound_mixer.h"

#include "sound/sound_shapes.h"

#include <algorithm>
#include <cmath>

namespace fururupo {

void SoundMixer::makeSounds()
{
    for (SoundKind kind : allSoundKinds)
        sounds[static_cast<std::size_t>(kind)] = makeSound(kind);
    // The server never asks for a second at once with 10 ms queued; reserved once, off the audio thread.
    sum.reserve(soundRate);
    made = true;
}

void SoundMixer::dropAll()
{
    for (auto& flag : asked)
        flag.store(0, std::memory_order_relaxed);
    dropping.store(true, std::memory_order_release);
}

void SoundMixer::mix(std::int16_t* out, std::size_t frames)
{
    if (dropping.exchange(false, std::memory_order_acquire))
        voices.fill({});
    for (std::size_t kind = 0; kind < asked.size(); ++kind) {
        if (asked[kind].exchange(0, std::memory_order_acquire) == 0)
            continue;
        voices[nextVoice] = {&sounds[kind], 0};
        nextVoice = (nextVoice + 1) % voiceCount;
    }
    if (silenced.load(std::memory_order_relaxed)) {
        voices.fill({});
        std::fill_n(out, frames, std::int16_t{0});
        return;
    }
    sum.assign(frames, 0);
    for (Voice& voice : voices) {
        if (!voice.samples)
            continue;
        const std::size_t count = std::min(frames, voice.samples->size() - voice.at);
        for (std::size_t i = 0; i < count; ++i)
            sum[i] += (*voice.samples)[voice.at + i];
        voice.at += count;
        if (voice.at == voice.samples->size())
            voice = {};
    }
    const float scale = gain.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < frames; ++i) {
        const long scaled = std::lround(static_cast<float>(sum[i]) * scale);
        out[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768L, 32767L));
    }
}

} // namespace fururupo
