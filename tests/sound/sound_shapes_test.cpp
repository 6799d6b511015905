#include "sound/sound_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

using namespace fururupo;

namespace {

int peakOf(const std::vector<std::int16_t>& samples)
{
    int peak = 0;
    for (std::int16_t sample : samples)
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

} // namespace

// A sound that starts or ends away from zero clicks; one with DC thumps; one too loud drowns the desktop's sounds.
TEST(SoundShapes, EveryKindIsShortCleanAndWellUnderFullScale)
{
    for (SoundKind kind : allSoundKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        const std::vector<std::int16_t> samples = makeSound(kind);
        ASSERT_GT(samples.size(), 100u);
        EXPECT_LE(samples.size(), static_cast<std::size_t>(soundRate) * 11 / 10);
        // Smooth ends: the first and last milliseconds rise from and fall to silence.
        EXPECT_EQ(samples.front(), 0);
        EXPECT_EQ(samples.back(), 0);
        EXPECT_LT(std::abs(samples[1]), 64);
        EXPECT_LT(std::abs(samples[samples.size() - 2]), 64);
        const int peak = peakOf(samples);
        EXPECT_LE(peakDecibels(kind), -18.0);
        EXPECT_NEAR(20.0 * std::log10(peak / 32767.0), peakDecibels(kind), 0.1);
        const double mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
        EXPECT_LT(std::abs(mean), peak * 1e-4);
    }
    EXPECT_LE(peakDecibels(SoundKind::KeyClick), peakDecibels(SoundKind::Correct) - 6.0);
}
