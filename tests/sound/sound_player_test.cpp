// The player against real PulseAudio daemons of the tests' own, their null sink's monitor recorded by parec. Every
// wait is for an event: the daemon's socket, a signal of the player, or the recorder's data.
#include "sound/sound_player.h"
#include "sound/sound_shapes.h"
#include "support/sound_server.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace fururupo;
using fururupo::testing::MonitorRecording;
using fururupo::testing::SoundServer;

namespace {

// Far above the time the player takes to open on a loaded machine under the sanitizers.
constexpr int safetyMs = 30000;

StreamIdentity gameIdentity()
{
    return {QStringLiteral("ふるるぽ"), QStringLiteral("io.github.fururupo.fururupo")};
}

void openAndWait(SoundPlayer& player)
{
    QSignalSpy changes(&player, &SoundPlayer::stateChanged);
    player.openAudio();
    while (player.state() == SoundPlayer::State::Opening)
        ASSERT_TRUE(changes.wait(safetyMs));
}

// Plays kind and returns where it begins in the recording, once the recording has gone half a second past its end.
// The server keeps each sound where it falls in time: on a loaded machine the stream may run dry for a moment, and the
// server then drops what came too late rather than play it later, so a sound is over by its length after it was
// asked for (plus the latency), and a short one may be lost whole; that one is asked for again, twice at most.
std::optional<std::size_t> playThrough(SoundPlayer& player, MonitorRecording& recording, SoundKind kind)
{
    const std::size_t window = makeSound(kind).size() + soundRate / 2;
    for (int attempt = 0; attempt < 3; ++attempt) {
        recording.catchUp();
        const std::size_t from = recording.size();
        player.play(kind);
        if (!recording.waitForSamples(from + window))
            return std::nullopt;
        if (const std::optional<std::size_t> start = recording.firstSound(from, from + window))
            return start;
    }
    return std::nullopt;
}

// Opens the player and plays one sound through: while a new stream settles, the server reconfigures the sink's
// latency and rewinds it, and the monitor may pass on part of a sound twice or not at all.
void openAndSettle(SoundPlayer& player, MonitorRecording& recording)
{
    openAndWait(player);
    ASSERT_EQ(player.state(), SoundPlayer::State::Open);
    ASSERT_TRUE(playThrough(player, recording, SoundKind::Countdown).has_value());
}

int peakIn(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t count)
{
    int peak = 0;
    for (std::size_t i = from; i < std::min(samples.size(), from + count); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

// Plays kind and checks that the recording, from its first non-silent sample on, holds that sound's own samples
// (times gain) and nothing louder.
void expectHeard(SoundPlayer& player, MonitorRecording& recording, SoundKind kind, double gain = 1.0)
{
    SCOPED_TRACE(static_cast<int>(kind));
    const std::vector<std::int16_t> expected = makeSound(kind);
    const std::optional<std::size_t> start = playThrough(player, recording, kind);
    ASSERT_TRUE(start.has_value());
    EXPECT_TRUE(fururupo::testing::recordedSoundIs(recording.all(), *start, expected, gain));
    // Nothing else is mixed in anywhere along it.
    EXPECT_LE(peakIn(recording.all(), *start, recording.size() - *start),
              peakIn(expected, 0, expected.size()) * gain + 2.0);
}

} // namespace

// Each moment must be heard as its own sound, with the stream named so the desktop's mixer shows the game.
TEST(SoundPlayerOnServer, EveryKindReachesTheServerAndTheStreamNamesTheGame)
{
    SoundServer server;
    MonitorRecording recording(server);
    SoundPlayer player(gameIdentity());
    openAndSettle(player, recording);
    for (SoundKind kind : allSoundKinds)
        expectHeard(player, recording, kind);

    const QString streams = QString::fromUtf8(server.pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}));
    EXPECT_TRUE(streams.contains(QStringLiteral("application.name = \"ふるるぽ\""))) << streams.toStdString();
    EXPECT_TRUE(streams.contains(QStringLiteral("application.icon_name = \"io.github.fururupo.fururupo\"")));
    EXPECT_TRUE(streams.contains(QStringLiteral("media.role = \"game\"")));
}

// The switches: a kind switched off must not sound at all, even mixed under another, and the volume must scale.
TEST(SoundPlayerOnServer, SwitchedOffKindsStaySilentAndTheVolumeScalesTheLevel)
{
    SoundServer server;
    MonitorRecording recording(server);
    SoundPlayer player(gameIdentity());
    openAndSettle(player, recording);

    // A switched-off kind asked for first would be mixed in no later than the one after it, and change its onset.
    player.setKeyClickOn(false);
    player.play(SoundKind::KeyClick);
    expectHeard(player, recording, SoundKind::Countdown);
    player.setKeyClickOn(true);
    player.setOtherSoundsOn(false);
    player.play(SoundKind::Correct);
    expectHeard(player, recording, SoundKind::KeyClick);
    player.setOtherSoundsOn(true);
    player.setSoundOn(false);
    player.play(SoundKind::KeyClick);
    player.play(SoundKind::Start);
    player.setSoundOn(true);
    expectHeard(player, recording, SoundKind::Countdown);

    player.setVolume(0.5);
    expectHeard(player, recording, SoundKind::Start, 0.5);
    // At no volume the longest sound passes without a sample above silence; the volume is the whole mix's, so it
    // goes back up only once that sound is over.
    player.setVolume(0.0);
    recording.catchUp();
    const std::size_t from = recording.size();
    player.play(SoundKind::NewBest);
    const std::size_t longest = makeSound(SoundKind::NewBest).size() + soundRate / 5;
    ASSERT_TRUE(recording.waitForSamples(from + longest));
    EXPECT_EQ(peakIn(recording.all(), from, longest), 0);
    player.setVolume(1.0);
    expectHeard(player, recording, SoundKind::Countdown);
}

// A server that dies mid-game must leave the game playing, say so once, and be left behind for a new one when the
// game starts again.
TEST(SoundPlayerOnServer, AKilledServerIsReportedOnceAndANewOneIsTakenUpOnTheNextOpen)
{
    auto first = std::make_unique<SoundServer>();
    SoundPlayer player(gameIdentity());
    QSignalSpy faults(&player, &SoundPlayer::faultFound);
    openAndWait(player);
    ASSERT_EQ(player.state(), SoundPlayer::State::Open);
    player.play(SoundKind::NewBest);
    first->kill();
    ASSERT_TRUE(faults.wait(safetyMs));
    EXPECT_EQ(player.state(), SoundPlayer::State::Faulted);
    EXPECT_EQ(player.fault().kind, SoundFault::Kind::Lost);
    // Keys go on; none of them waits or reports again.
    QElapsedTimer keys;
    keys.start();
    for (int i = 0; i < 1000; ++i)
        player.play(SoundKind::KeyClick);
    EXPECT_LT(keys.elapsed(), safetyMs);
    EXPECT_EQ(faults.size(), 1);

    SoundServer second;
    MonitorRecording recording(second);
    openAndSettle(player, recording);
    EXPECT_EQ(player.fault().kind, SoundFault::Kind::None);
    expectHeard(player, recording, SoundKind::Correct);
    EXPECT_EQ(faults.size(), 1);
}

// A device that goes away (a headset unplugged, say, with no other sink to move to) must be taken like a lost server.
TEST(SoundPlayerOnServer, ADeviceThatVanishesIsReportedAsLost)
{
    SoundServer server;
    SoundPlayer player(gameIdentity());
    QSignalSpy faults(&player, &SoundPlayer::faultFound);
    openAndWait(player);
    ASSERT_EQ(player.state(), SoundPlayer::State::Open);
    server.pactl({QStringLiteral("unload-module"), QStringLiteral("module-null-sink")});
    ASSERT_TRUE(faults.wait(safetyMs));
    EXPECT_EQ(player.fault().kind, SoundFault::Kind::Lost);
    player.play(SoundKind::Correct);
    EXPECT_EQ(faults.size(), 1);
}

// Most players have no server at all in some session; the game must neither crash nor wait for one.
TEST(SoundPlayer, WithNoServerItReportsOnceAndPlaysOnSilently)
{
    qputenv("PULSE_SERVER", "unix:/nonexistent/fururupo-no-server");
    SoundPlayer player(gameIdentity());
    QSignalSpy faults(&player, &SoundPlayer::faultFound);
    openAndWait(player);
    EXPECT_EQ(player.state(), SoundPlayer::State::Faulted);
    ASSERT_EQ(faults.size(), 1);
    EXPECT_EQ(player.fault().kind, SoundFault::Kind::NoServer);
    EXPECT_FALSE(player.fault().detail.isEmpty());
    for (SoundKind kind : allSoundKinds)
        player.play(kind);
    EXPECT_EQ(faults.size(), 1);
    // Asked again (a new game), it tries again and reports again.
    openAndWait(player);
    EXPECT_EQ(faults.size(), 2);
    player.closeAudio();
    EXPECT_EQ(player.state(), SoundPlayer::State::Closed);
}
