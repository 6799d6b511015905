// Key-to-sound latency of the sound libraries the game could use, measured the same way for each: a real key event is
// sent to a line edit whose key handler plays the click, and a recorder in this process reads the sound server's
// monitor of the sink the sound goes to. The latency of one key is the time from just before the key event is sent
// to the first non-silent sample of the click at the server.
//
// When a sample reached the server: the recorder reads the monitor in blocks of 1 ms (its stream asks for 1 ms
// fragments, so the server sends each block as soon as it has mixed it) and notes the monotonic time at which each
// block arrived. A key's latency is taken as the arrival of the first block holding a non-silent sample after the
// key, less the key's time. That block arrived after the server mixed the sample by the server's send and this
// thread's wake-up: the recorder's own delay is left in, so the figures are upper bounds, never flattering. How large
// that delay runs shows in the spread, while the keys are typed, of (arrival - samples read / rate): printed as its
// median and 95th percentile above its smallest value (the block that came through quickest).
//
// Run by bench/sound_latency, which starts its own sound server with a null sink: fururupo_sound_latency LIBRARY
// [KEYS], with PULSE_SERVER naming the server and FURURUPO_MONITOR the monitor source. LIBRARY is one of
//   qsoundeffect   one QSoundEffect per sound, loaded before the keys; play() on the key
//   qaudiosink     one QAudioSink kept open on a thread of its own, fed every 5 ms from a mixer (20 ms buffer); the
//                  key only raises a flag that the next feed mixes in
//   sdl2mixer      SDL2_mixer on its own audio device (256 frames a period); Mix_PlayChannel on the key
//   canberra       libcanberra with the sounds in the server's sample cache; ca_context_play on the key
//   game           the game's own player (sound/sound_player.h)
#include "sound/sound_player.h"
#include "sound/sound_shapes.h"

#include <QApplication>
#include <QAudioFormat>
#include <QAudioSink>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <canberra.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace fururupo;

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC, the clock the null sink renders by

double secondsOf(Clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// Reads the monitor in blocks of 1 ms on a thread of its own, noting when each block arrived.
class MonitorRecorder
{
public:
    static constexpr int blockFrames = soundRate / 1000;

    explicit MonitorRecorder(const char* source)
    {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, soundRate, 1};
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength = static_cast<std::uint32_t>(-1);
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(-1);
        attributes.fragsize = blockFrames * 2;
        int error = 0;
        stream = pa_simple_new(nullptr, "fururupo latency probe", PA_STREAM_RECORD, source, "monitor", &spec, nullptr,
                               &attributes, &error);
        if (!stream) {
            std::fprintf(stderr, "cannot record %s: %s\n", source, pa_strerror(error));
            std::exit(1);
        }
        samples.reserve(static_cast<std::size_t>(soundRate) * 120);
        thread = std::thread([this] { run(); });
    }

    ~MonitorRecorder()
    {
        stop = true;
        thread.join();
        pa_simple_free(stream);
    }

    // Waits until the recorder has read its first second, so that the server's sink runs at the recorder's latency.
    void waitUntilRunning()
    {
        while (true) {
            {
                std::lock_guard lock(mutex);
                if (samples.size() >= static_cast<std::size_t>(soundRate))
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    struct Block
    {
        std::size_t end;
        double arrived;
    };

    std::vector<std::int16_t> takeSamples(std::vector<Block>& blocksOut)
    {
        std::lock_guard lock(mutex);
        blocksOut = blocks;
        return samples;
    }

private:
    void run()
    {
        std::int16_t block[blockFrames];
        while (!stop) {
            int error = 0;
            if (pa_simple_read(stream, block, sizeof block, &error) < 0) {
                std::fprintf(stderr, "recording failed: %s\n", pa_strerror(error));
                std::exit(1);
            }
            const double now = secondsOf(Clock::now());
            std::lock_guard lock(mutex);
            samples.insert(samples.end(), block, block + blockFrames);
            blocks.push_back({samples.size(), now});
        }
    }

    pa_simple* stream = nullptr;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<std::int16_t> samples;
    std::vector<Block> blocks;
};

// The sounds as WAV files, for the libraries that play files.
QString writeWave(const QDir& folder, SoundKind kind)
{
    const std::vector<std::int16_t> samples = makeSound(kind);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    QByteArray wave;
    auto put32 = [&wave](std::uint32_t v) { wave.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&wave](std::uint16_t v) { wave.append(reinterpret_cast<const char*>(&v), 2); };
    wave.append("RIFF");
    put32(36 + dataBytes);
    wave.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(soundRate);
    put32(soundRate * 2);
    put16(2);
    put16(16);
    wave.append("data");
    put32(dataBytes);
    wave.append(reinterpret_cast<const char*>(samples.data()), static_cast<qsizetype>(dataBytes));
    const QString path = folder.filePath(QStringLiteral("sound%1.wav").arg(static_cast<int>(kind)));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wave) != wave.size())
        std::exit(1);
    return path;
}

// Runs the event loop for a while, so the libraries that work on it (Qt's) keep working between keys.
void runEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// A line edit that plays the click from its key handler, before the line edit takes the key.
class KeyedBox : public QLineEdit
{
public:
    std::function<void()> onKey;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        onKey();
        QLineEdit::keyPressEvent(event);
    }
};

struct Result
{
    std::vector<double> latencies;
    int missed = 0;
    double anchorSpreadMedian = 0, anchorSpreadP95 = 0;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

Result analyse(const std::vector<std::int16_t>& samples, const std::vector<MonitorRecorder::Block>& blocks,
               const std::vector<double>& keys)
{
    Result result;
    std::vector<double> offsets;
    offsets.reserve(blocks.size());
    for (const auto& block : blocks)
        offsets.push_back(block.arrived - static_cast<double>(block.end) / soundRate);
    // Only while the keys are typed: the sink's own latency, and with it how far ahead it renders, changes when the
    // library's stream joins.
    std::vector<double> typing;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        if (blocks[b].arrived >= keys.front())
            typing.push_back(offsets[b]);
    }
    const double quickest = *std::min_element(typing.begin(), typing.end());
    result.anchorSpreadMedian = percentile(typing, 0.5) - quickest;
    result.anchorSpreadP95 = percentile(typing, 0.95) - quickest;
    auto block = blocks.begin();
    for (double key : keys) {
        // The click is mixed after its key, so it is in a block that arrived after the key; look half a second on.
        while (block != blocks.end() && block->arrived <= key)
            ++block;
        if (block == blocks.end()) {
            ++result.missed;
            continue;
        }
        std::size_t i = block->end - MonitorRecorder::blockFrames;
        const std::size_t until = std::min(samples.size(), i + soundRate / 2);
        while (i < until && std::abs(samples[i]) < 4)
            ++i;
        if (i == until) {
            ++result.missed;
            continue;
        }
        const auto holding = std::lower_bound(
            block, blocks.end(), i + 1, [](const MonitorRecorder::Block& b, std::size_t at) { return b.end < at; });
        result.latencies.push_back(holding->arrived - key);
    }
    return result;
}

// Each library: make it ready (sounds loaded, device open), then play the click when asked.
struct Library
{
    std::function<void()> play;
    std::function<void()> close;
};

Library qSoundEffect(const QDir& folder)
{
    auto effect = std::make_shared<QSoundEffect>();
    effect->setSource(QUrl::fromLocalFile(writeWave(folder, SoundKind::KeyClick)));
    while (effect->status() != QSoundEffect::Ready) {
        if (effect->status() == QSoundEffect::Error)
            std::exit(1);
        runEvents(10);
    }
    return {[effect] { effect->play(); }, [effect] { effect->stop(); }};
}

// A QAudioSink kept open in push mode on a thread of its own: every 5 ms it is topped up to its buffer with the click
// (when the key has asked for it since the last top-up) mixed into silence.
class PushMixer : public QObject
{
public:
    explicit PushMixer(std::atomic<int>& asked) : asked(asked), click(makeSound(SoundKind::KeyClick)) {}

    void open()
    {
        QAudioFormat format;
        format.setSampleRate(soundRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        sink = new QAudioSink(format, this);
        sink->setBufferSize(soundRate / 50 * 2);
        device = sink->start();
        if (!device) {
            std::fprintf(stderr, "QAudioSink would not start (error %d)\n", static_cast<int>(sink->error()));
            std::exit(1);
        }
        auto* feed = new QTimer(this);
        feed->setTimerType(Qt::PreciseTimer);
        connect(feed, &QTimer::timeout, this, &PushMixer::topUp);
        feed->start(5);
        topUp();
    }

    void close() { sink->stop(); }

private:
    void topUp()
    {
        const qsizetype frames = sink->bytesFree() / 2;
        if (frames <= 0)
            return;
        if (asked.exchange(0) > 0)
            position = 0;
        buffer.assign(static_cast<std::size_t>(frames), 0);
        for (auto& sample : buffer) {
            if (position >= click.size())
                break;
            sample = click[position++];
        }
        device->write(reinterpret_cast<const char*>(buffer.data()), frames * 2);
    }

    std::atomic<int>& asked;
    std::vector<std::int16_t> click;
    std::size_t position = SIZE_MAX;
    std::vector<std::int16_t> buffer;
    QAudioSink* sink = nullptr;
    QIODevice* device = nullptr;
};

Library qAudioSink()
{
    auto asked = std::make_shared<std::atomic<int>>(0);
    auto thread = std::make_shared<QThread>();
    auto* mixer = new PushMixer(*asked);
    mixer->moveToThread(thread.get());
    thread->start();
    QMetaObject::invokeMethod(mixer, &PushMixer::open, Qt::BlockingQueuedConnection);
    return {[asked] { asked->fetch_add(1); },
            [thread, mixer] {
                QMetaObject::invokeMethod(mixer, &PushMixer::close, Qt::BlockingQueuedConnection);
                QMetaObject::invokeMethod(
                    mixer, [mixer] { delete mixer; }, Qt::BlockingQueuedConnection);
                thread->quit();
                thread->wait();
            }};
}

Library gamePlayer()
{
    auto player = std::make_shared<SoundPlayer>(StreamIdentity{QStringLiteral("fururupo latency"), {}});
    player->openAudio();
    while (player->state() == SoundPlayer::State::Opening)
        runEvents(10);
    if (player->state() != SoundPlayer::State::Open) {
        std::fprintf(stderr, "the game's player did not open\n");
        std::exit(1);
    }
    return {[player] { player->play(SoundKind::KeyClick); }, [player] { player->closeAudio(); }};
}

Library sdl2Mixer()
{
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "fururupo latency");
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudioDevice(soundRate, AUDIO_S16SYS, 1, 256, nullptr, 0) != 0) {
        std::fprintf(stderr, "SDL2_mixer: %s\n", SDL_GetError());
        std::exit(1);
    }
    auto samples = std::make_shared<std::vector<std::int16_t>>(makeSound(SoundKind::KeyClick));
    Mix_Chunk* chunk =
        Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(samples->data()), static_cast<Uint32>(samples->size() * 2));
    return {[chunk] { Mix_PlayChannel(-1, chunk, 0); },
            [chunk, samples] {
                Mix_HaltChannel(-1);
                Mix_FreeChunk(chunk);
                Mix_CloseAudio();
                SDL_Quit();
            }};
}

Library canberra(const QDir& folder)
{
    ca_context* context = nullptr;
    const QByteArray path = QFile::encodeName(writeWave(folder, SoundKind::KeyClick));
    if (ca_context_create(&context) != 0 || ca_context_set_driver(context, "pulse") != 0 ||
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "fururupo latency", nullptr) != 0 ||
        ca_context_open(context) != 0) {
        std::fprintf(stderr, "libcanberra would not open\n");
        std::exit(1);
    }
    const int cached = ca_context_cache(context, CA_PROP_EVENT_ID, "fururupo-click", CA_PROP_MEDIA_FILENAME,
                                        path.constData(), nullptr);
    if (cached != 0) {
        std::fprintf(stderr, "libcanberra cache: %s\n", ca_strerror(cached));
        std::exit(1);
    }
    return {[context, path] {
                ca_context_play(context, 0, CA_PROP_EVENT_ID, "fururupo-click", CA_PROP_MEDIA_FILENAME,
                                path.constData(), nullptr);
            },
            [context] { ca_context_destroy(context); }};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const char* monitor = std::getenv("FURURUPO_MONITOR");
    if (argc < 2 || !monitor || !std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr,
                     "usage: PULSE_SERVER=… FURURUPO_MONITOR=SINK.monitor %s "
                     "qsoundeffect|qaudiosink|sdl2mixer|canberra|game [KEYS]\n",
                     argv[0]);
        return 2;
    }
    const std::string name = argv[1];
    const int keys = argc > 2 ? std::atoi(argv[2]) : 200;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QTemporaryDir folder;
    const QDir files(folder.path());

    MonitorRecorder recorder(monitor);
    recorder.waitUntilRunning();

    Library library;
    if (name == "qsoundeffect")
        library = qSoundEffect(files);
    else if (name == "qaudiosink")
        library = qAudioSink();
    else if (name == "game")
        library = gamePlayer();
    else if (name == "sdl2mixer")
        library = sdl2Mixer();
    else if (name == "canberra")
        library = canberra(files);
    else
        return 2;

    KeyedBox box;
    box.resize(300, 40);
    box.show();
    box.setFocus();
    box.onKey = library.play;
    runEvents(300);

    // Keys 180–320 ms apart at random, so that no key keeps the same phase against a library's own period.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> gap(180, 320);
    std::vector<double> sent;
    for (int i = 0; i < keys; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        sent.push_back(secondsOf(Clock::now()));
        QApplication::sendEvent(&box, &press);
        QApplication::sendEvent(&box, &release);
        if (box.text().size() > 50)
            box.clear();
        runEvents(gap(random));
    }
    runEvents(300);
    library.close();

    std::vector<MonitorRecorder::Block> blocks;
    const std::vector<std::int16_t> samples = recorder.takeSamples(blocks);
    const Result result = analyse(samples, blocks, sent);
    const double ms = 1000.0;
    std::printf("%-13s keys %d heard %zu (silent %d)  median %6.1f ms  p95 %6.1f ms  min %6.1f  max %6.1f   "
                "(recorder delay: median %.2f ms, p95 %.2f ms)\n",
                name.c_str(), keys, result.latencies.size(), result.missed, percentile(result.latencies, 0.5) * ms,
                percentile(result.latencies, 0.95) * ms, percentile(result.latencies, 0.0) * ms,
                percentile(result.latencies, 1.0) * ms, result.anchorSpreadMedian * ms, result.anchorSpreadP95 * ms);
    return 0;
}
