#include "support/sound_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <signal.h>
#include <sys/prctl.h>

namespace fururupo::testing {

namespace {

// Far above the second or so these take on a loaded machine under the sanitizers; only there so a broken daemon
// fails the test instead of hanging it.
constexpr int safetyMs = 30000;

// A daemon or recorder of a test that is itself killed goes with it, rather than running on.
void endWithTheTest(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

} // namespace

SoundServer::SoundServer()
{
    const QDir dir(folder.path());
    for (const char* sub : {"runtime", "state", "home"})
        dir.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = dir.filePath(QStringLiteral("socket"));
    daemon.setProcessEnvironment(environment());
    endWithTheTest(daemon);
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral("pulseaudio"),
                 {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                  QStringLiteral("--log-level=error"),
                  QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket,
                  QStringLiteral("--load=module-null-sink sink_name=fururupo_test rate=48000 channels=2")});
    if (!daemon.waitForStarted(safetyMs))
        std::abort();
    // The daemon makes its socket once it takes clients: that file appearing is the event waited for.
    const QDeadlineTimer deadline(safetyMs);
    while (!QFileInfo(socket).exists()) {
        if (deadline.hasExpired() || daemon.state() == QProcess::NotRunning)
            std::abort();
        QThread::msleep(5);
    }
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + socket).toUtf8());
}

SoundServer::~SoundServer()
{
    kill();
}

void SoundServer::kill()
{
    if (daemon.state() == QProcess::NotRunning)
        return;
    daemon.kill();
    daemon.waitForFinished(safetyMs);
}

QProcessEnvironment SoundServer::environment() const
{
    const QDir dir(folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.filePath(QStringLiteral("runtime/pulse")));
    environment.insert(QStringLiteral("PULSE_STATE_PATH"), dir.filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("PULSE_SERVER"),
                       QStringLiteral("unix:") + dir.filePath(QStringLiteral("socket")));
    return environment;
}

QByteArray SoundServer::pactl(const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("pactl"), arguments);
    process.waitForFinished(safetyMs);
    return process.readAllStandardOutput();
}

MonitorRecording::MonitorRecording(SoundServer& server)
{
    recorder.setProcessEnvironment(server.environment());
    endWithTheTest(recorder);
    recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--raw"), QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                    QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10"),
                    QStringLiteral("--device=") + server.monitor()});
    recorder.waitForStarted(safetyMs);
}

MonitorRecording::~MonitorRecording()
{
    recorder.kill();
    recorder.waitForFinished(safetyMs);
}

bool MonitorRecording::readMore()
{
    if (recorder.bytesAvailable() == 0 && !recorder.waitForReadyRead(safetyMs))
        return false;
    odd += recorder.readAll();
    const auto whole = odd.size() / 2;
    const auto* data = reinterpret_cast<const std::int16_t*>(odd.constData());
    samples.insert(samples.end(), data, data + whole);
    odd.remove(0, whole * 2);
    return true;
}

void MonitorRecording::catchUp()
{
    while (recorder.bytesAvailable() > 0 || recorder.waitForReadyRead(0))
        readMore();
}

std::optional<std::size_t> MonitorRecording::firstSound(std::size_t from, std::size_t until) const
{
    for (std::size_t i = from; i < std::min(until, samples.size()); ++i) {
        if (samples[i] != 0)
            return i;
    }
    return std::nullopt;
}

bool MonitorRecording::waitForSamples(std::size_t count)
{
    while (samples.size() < count) {
        if (!readMore())
            return false;
    }
    return true;
}

bool recordedSoundIs(const std::vector<std::int16_t>& recorded, std::size_t start,
                     const std::vector<std::int16_t>& sound, double gain)
{
    constexpr std::size_t compared = 100;
    const auto matchesSomewhere = [&](std::size_t from) {
        if (from + compared > recorded.size())
            return false;
        for (std::size_t at = 0; at + compared <= sound.size(); ++at) {
            std::size_t i = 0;
            while (i < compared && std::abs(recorded[from + i] - sound[at + i] * gain) <= 2.0)
                ++i;
            if (i == compared)
                return true;
        }
        return false;
    };
    for (std::size_t from = start; from <= start + 500; from += 50)
        if (matchesSomewhere(from))
            return true;
    return false;
}

} // namespace fururupo::testing
