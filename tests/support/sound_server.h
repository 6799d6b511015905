#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace fururupo::testing {

// A PulseAudio daemon of the test's own: a null sink at 48 kHz on a private socket, its runtime, state and home
// folders in a temporary folder, so the desktop's server (if any) is never touched. -n loads no default script, so
// only the two modules named are there; it runs as root as well as any other user, since nothing is shared.
// The constructor returns once the socket is there; PULSE_SERVER is pointed at it for this process.
class SoundServer
{
public:
    SoundServer();
    ~SoundServer();

    // Ends the daemon at once (SIGKILL), as a crash would.
    void kill();
    QString monitor() const { return QStringLiteral("fururupo_test.monitor"); }
    // Runs pactl against this server and returns what it printed.
    QByteArray pactl(const QStringList& arguments);
    QProcessEnvironment environment() const;

private:
    QTemporaryDir folder;
    QProcess daemon;
};

// The server's monitor, recorded by parec as 16-bit mono at 48 kHz from the moment it is made.
class MonitorRecording
{
public:
    explicit MonitorRecording(SoundServer& server);
    ~MonitorRecording();

    std::size_t size() const { return samples.size(); }
    const std::vector<std::int16_t>& all() const { return samples; }
    // Takes what the recorder has sent so far, without waiting for more.
    void catchUp();
    // Reads on until at least count samples have been recorded; false when the recorder ends first.
    bool waitForSamples(std::size_t count);
    // The first non-silent sample in [from, until) of what has been recorded, if any.
    std::optional<std::size_t> firstSound(std::size_t from, std::size_t until) const;

private:
    bool readMore();

    QProcess recorder;
    std::vector<std::int16_t> samples;
    QByteArray odd;
};

// Whether what was recorded from `start` on is the sound `kind` times `gain`: what the server mixed is the sound's own
// samples times the gain, bit for bit (48 kHz throughout, 16-bit, the sink at full volume), but some of it may be
// missing (a rewind of the sink, or the stream run dry), so stretches of 100 samples near the start, 50 apart, are
// each looked for in the sound; one found whole is enough. Another sound mixed in from the start would spoil them all.
bool recordedSoundIs(const std::vector<std::int16_t>& recorded, std::size_t start,
                     const std::vector<std::int16_t>& sound, double gain = 1.0);

} // namespace fururupo::testing
