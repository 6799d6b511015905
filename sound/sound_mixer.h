#pragma once

#include "sound/sound_kind.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fururupo {

// Mixes the sounds asked for into the audio thread's periods. Asking (ask(), any thread) only counts up an atomic
// flag; the audio thread takes the flags up at the start of its next period. Nothing here locks or allocates on
// either side once the sounds are made.
class SoundMixer
{
public:
    // Makes every sound (a few milliseconds); called once, before the first period.
    void makeSounds();
    bool soundsMade() const { return made; }

    void ask(SoundKind kind) { asked[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_release); }
    // Forgets what was asked and not yet taken up, and, on the audio thread's next period, what is playing.
    void dropAll();
    void setSilenced(bool on) { silenced.store(on, std::memory_order_relaxed); }
    void setGain(float gain) { this->gain.store(gain, std::memory_order_relaxed); }
    float currentGain() const { return gain.load(std::memory_order_relaxed); }

    // The audio thread's side: fills frames samples of one channel.
    void mix(std::int16_t* out, std::size_t frames);

private:
    struct Voice
    {
        const std::vector<std::int16_t>* samples = nullptr;
        std::size_t at = 0;
    };
    // More sounds at once than a player can tell apart; the oldest gives way to a new one.
    static constexpr std::size_t voiceCount = 12;

    std::array<std::vector<std::int16_t>, allSoundKinds.size()> sounds;
    bool made = false;
    std::array<std::atomic<std::uint32_t>, allSoundKinds.size()> asked{};
    std::atomic<bool> dropping{false};
    std::atomic<bool> silenced{false};
    std::atomic<float> gain{1.0f};
    std::array<Voice, voiceCount> voices{};
    std::size_t nextVoice = 0;
    std::vector<std::int32_t> sum;
};

} // namespace fururupo
