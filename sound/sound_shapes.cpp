#include "sound/sound_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace fururupo {

namespace {

// One partial of a note: a multiple of the note's frequency, its level against the first, and how fast it fades.
struct Partial
{
    double ratio;
    double level;
    double decayMs; // time to fall to 1/e; 0: it does not fade
};

// One note: where it starts, how long it lasts, its pitch (gliding to glideHz over its length when that is set),
// its level in the sound, its attack and release (raised cosines, so it begins and ends on silence) and partials.
struct Note
{
    double startMs;
    double lengthMs;
    double hz;
    double glideHz;
    double level;
    double attackMs;
    double releaseMs;
    std::vector<Partial> partials;
};

struct Shape
{
    double peakDb;
    std::vector<Note> notes;
};

// A soft bell: the octave and the twelfth fading faster than the note.
const std::vector<Partial> bell = {{1.0, 1.0, 0.0}, {2.0, 0.28, 90.0}, {3.0, 0.09, 45.0}};
// The same with more of its upper partials, for the new best.
const std::vector<Partial> brightBell = {{1.0, 1.0, 0.0}, {2.0, 0.4, 120.0}, {3.0, 0.18, 70.0}, {4.0, 0.1, 40.0}};

// The notes of every sound. Pitches: G5 784, B5 988, C6 1047, E6 1319, G6 1568, C7 2093, E7 2637, G7 3136 Hz.
Shape shapeOf(SoundKind kind)
{
    switch (kind) {
    case SoundKind::KeyClick:
        // A short, high tick: two inharmonic partials gone within a few milliseconds.
        return {-30.0, {{0, 14, 2200, 0, 1.0, 0.4, 4, {{1.0, 1.0, 3.0}, {2.73, 0.5, 1.6}}}}};
    case SoundKind::Miss:
        // A low, dull buzz, two notes a semitone apart beating against each other.
        return {-22.0,
                {{0, 150, 196, 185, 1.0, 4, 40, {{1.0, 1.0, 160.0}, {2.0, 0.45, 90.0}, {3.0, 0.25, 60.0}}},
                 {0, 150, 185, 175, 0.7, 4, 40, {{1.0, 1.0, 160.0}, {2.0, 0.4, 90.0}}}}};
    case SoundKind::Correct:
        // Two rising bell notes.
        return {-20.0,
                {{0, 90, 1568, 0, 0.8, 2, 30, {{1.0, 1.0, 80.0}, {2.0, 0.25, 40.0}}},
                 {60, 300, 2093, 0, 1.0, 2, 80, {{1.0, 1.0, 140.0}, {2.0, 0.25, 60.0}, {3.0, 0.08, 30.0}}}}};
    case SoundKind::Countdown:
        return {-20.0, {{0, 150, 784, 0, 1.0, 3, 40, {{1.0, 1.0, 220.0}, {2.0, 0.3, 120.0}}}}};
    case SoundKind::Start:
        // An octave above the countdown and longer, with more partials.
        return {-19.0, {{0, 420, 1568, 0, 1.0, 3, 100, {{1.0, 1.0, 320.0}, {2.0, 0.35, 160.0}, {3.0, 0.1, 80.0}}}}};
    case SoundKind::TimeUp:
        // A falling pair, the second sagging.
        return {-20.0,
                {{0, 170, 988, 0, 1.0, 3, 40, {{1.0, 1.0, 0.0}, {3.0, 0.11, 0.0}, {5.0, 0.04, 0.0}}},
                 {150, 420, 659, 620, 1.0, 3, 140, {{1.0, 1.0, 300.0}, {3.0, 0.11, 200.0}, {5.0, 0.04, 120.0}}}}};
    case SoundKind::Record:
        // C major rising to a held C7.
        return {-19.0,
                {{0, 220, 1047, 0, 0.8, 2, 80, bell},
                 {90, 220, 1319, 0, 0.8, 2, 80, bell},
                 {180, 220, 1568, 0, 0.8, 2, 80, bell},
                 {270, 650, 2093, 0, 1.0, 2, 250, bell}}};
    case SoundKind::NewBest:
        // The same run, quicker and up to E7, with a G7 sparkle over the held note.
        return {-18.0,
                {{0, 180, 1047, 0, 0.7, 2, 60, brightBell},
                 {65, 180, 1319, 0, 0.7, 2, 60, brightBell},
                 {130, 180, 1568, 0, 0.7, 2, 60, brightBell},
                 {195, 200, 2093, 0, 0.8, 2, 60, brightBell},
                 {260, 760, 2637, 0, 1.0, 2, 300, brightBell},
                 {420, 480, 3136, 0, 0.35, 4, 200, bell}}};
    }
    return {-30.0, {}};
}

// Adds one note to the samples, starting on silence and ending on it.
void addNote(std::vector<double>& out, const Note& note)
{
    const auto first = static_cast<std::size_t>(std::lround(note.startMs * soundRate / 1000.0));
    const auto count = static_cast<std::size_t>(std::lround(note.lengthMs * soundRate / 1000.0));
    if (out.size() < first + count)
        out.resize(first + count, 0.0);
    const double attack = note.attackMs * soundRate / 1000.0;
    const double release = note.releaseMs * soundRate / 1000.0;
    const double glide = note.glideHz > 0 ? std::log(note.glideHz / note.hz) : 0.0;
    double phase = 0.0; // in turns of the note's own frequency, so that a glide stays smooth
    for (std::size_t i = 0; i < count; ++i) {
        const double at = static_cast<double>(i);
        double envelope = 1.0;
        if (at < attack)
            envelope *= 0.5 - 0.5 * std::cos(std::numbers::pi * at / attack);
        const double left = static_cast<double>(count - 1) - at;
        if (left < release)
            envelope *= 0.5 - 0.5 * std::cos(std::numbers::pi * left / release);
        const double ms = at * 1000.0 / soundRate;
        double sample = 0.0;
        for (const Partial& partial : note.partials) {
            const double fade = partial.decayMs > 0 ? std::exp(-ms / partial.decayMs) : 1.0;
            sample += partial.level * fade * std::sin(2.0 * std::numbers::pi * partial.ratio * phase);
        }
        out[first + i] += note.level * envelope * sample;
        phase += note.hz * std::exp(glide * at / static_cast<double>(count)) / soundRate;
    }
}

} // namespace

double peakDecibels(SoundKind kind)
{
    return shapeOf(kind).peakDb;
}

std::vector<std::int16_t> makeSound(SoundKind kind)
{
    const Shape shape = shapeOf(kind);
    std::vector<double> mixed;
    for (const Note& note : shape.notes)
        addNote(mixed, note);
    // A decaying sine burst keeps a little DC; take it out along a Hann window, which leaves both ends on silence.
    const double sum = std::accumulate(mixed.begin(), mixed.end(), 0.0);
    const double last = static_cast<double>(mixed.size()) - 1.0;
    const double windowSum = last / 2.0; // the sum of 0.5 - 0.5 cos(2 pi i / last) over i = 0 … last
    for (std::size_t i = 0; i < mixed.size(); ++i)
        mixed[i] -= sum / windowSum * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / last));
    double peak = 0.0;
    for (double sample : mixed)
        peak = std::max(peak, std::abs(sample));
    const double scale = peak > 0 ? 32767.0 * std::pow(10.0, shape.peakDb / 20.0) / peak : 0.0;
    std::vector<std::int16_t> samples(mixed.size());
    std::transform(mixed.begin(), mixed.end(), samples.begin(),
                   [scale](double sample) { return static_cast<std::int16_t>(std::lround(sample * scale)); });
    return samples;
}

} // namespace fururupo
