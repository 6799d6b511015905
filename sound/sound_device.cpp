#include "sound/sound_device.h"

#include "sound/sound_logging.h"
#include "sound/sound_mixer.h"
#include "sound/sound_shapes.h"

#include <pulse/error.h>

namespace fururupo {

namespace {

// How much the server keeps queued ahead of what it plays: the latency of every sound, and the room it has to ride
// out a late wake-up of the library's thread before the stream runs dry.
constexpr std::uint32_t queuedBytes = soundRate / 100 * 2; // 10 ms of 16-bit mono

} // namespace

SoundDevice::SoundDevice(std::shared_ptr<SoundMixer> mixer, StreamIdentity identity)
    : mixer(std::move(mixer)), identity(std::move(identity)), library(QStringLiteral("pulse"), 0)
{
}

SoundDevice::~SoundDevice()
{
    close();
}

bool SoundDevice::loadLibrary()
{
    if (loaded)
        return true;
    if (!library.load()) {
        fail(SoundFault::Kind::NoLibrary, library.errorString());
        return false;
    }
    bool all = true;
    auto resolve = [this, &all](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
        all = all && function;
    };
    resolve(pa.mainloopNew, "pa_threaded_mainloop_new");
    resolve(pa.mainloopFree, "pa_threaded_mainloop_free");
    resolve(pa.mainloopStart, "pa_threaded_mainloop_start");
    resolve(pa.mainloopStop, "pa_threaded_mainloop_stop");
    resolve(pa.lock, "pa_threaded_mainloop_lock");
    resolve(pa.unlock, "pa_threaded_mainloop_unlock");
    resolve(pa.api, "pa_threaded_mainloop_get_api");
    resolve(pa.proplistNew, "pa_proplist_new");
    resolve(pa.proplistSets, "pa_proplist_sets");
    resolve(pa.proplistFree, "pa_proplist_free");
    resolve(pa.contextNew, "pa_context_new_with_proplist");
    resolve(pa.contextSetStateCallback, "pa_context_set_state_callback");
    resolve(pa.contextConnect, "pa_context_connect");
    resolve(pa.contextDisconnect, "pa_context_disconnect");
    resolve(pa.contextUnref, "pa_context_unref");
    resolve(pa.contextGetState, "pa_context_get_state");
    resolve(pa.contextErrno, "pa_context_errno");
    resolve(pa.streamNew, "pa_stream_new_with_proplist");
    resolve(pa.streamSetStateCallback, "pa_stream_set_state_callback");
    resolve(pa.streamSetWriteCallback, "pa_stream_set_write_callback");
    resolve(pa.streamConnectPlayback, "pa_stream_connect_playback");
    resolve(pa.streamDisconnect, "pa_stream_disconnect");
    resolve(pa.streamUnref, "pa_stream_unref");
    resolve(pa.streamGetState, "pa_stream_get_state");
    resolve(pa.streamBeginWrite, "pa_stream_begin_write");
    resolve(pa.streamWrite, "pa_stream_write");
    resolve(pa.errorText, "pa_strerror");
    if (!all) {
        fail(SoundFault::Kind::NoLibrary, library.errorString());
        return false;
    }
    loaded = true;
    return true;
}

void SoundDevice::open()
{
    // Already open: a close asked for while it was opening came after this second open.
    if (loop) {
        if (streamReady)
            Q_EMIT opened();
        return;
    }
    if (!mixer->soundsMade())
        mixer->makeSounds();
    if (!loadLibrary())
        return;
    ++generation;
    streamReady = false;
    loop = pa.mainloopNew();
    // What the server shows in the desktop's mixer, and remembers the volume by: the application, its icon, the role.
    pa_proplist* properties = pa.proplistNew();
    pa.proplistSets(properties, PA_PROP_APPLICATION_NAME, identity.applicationName.toUtf8().constData());
    if (!identity.iconName.isEmpty()) {
        pa.proplistSets(properties, PA_PROP_APPLICATION_ICON_NAME, identity.iconName.toUtf8().constData());
        pa.proplistSets(properties, PA_PROP_APPLICATION_ID, identity.iconName.toUtf8().constData());
    }
    pa.proplistSets(properties, PA_PROP_MEDIA_ROLE, identity.role.toUtf8().constData());
    pa.lock(loop);
    context = pa.contextNew(pa.api(loop), identity.applicationName.toUtf8().constData(), properties);
    pa.proplistFree(properties);
    pa.contextSetStateCallback(context, &SoundDevice::contextChanged, this);
    // No server of our own started when there is none: the game plays on silently instead.
    const int connected = pa.contextConnect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    const QString error = connected < 0 ? lastError() : QString();
    pa.unlock(loop);
    if (connected < 0 || pa.mainloopStart(loop) < 0) {
        fail(SoundFault::Kind::NoServer, error);
        return;
    }
}

void SoundDevice::close()
{
    if (!loop)
        return;
    pa.lock(loop);
    if (stream) {
        pa.streamSetStateCallback(stream, nullptr, nullptr);
        pa.streamSetWriteCallback(stream, nullptr, nullptr);
        pa.streamDisconnect(stream);
        pa.streamUnref(stream);
        stream = nullptr;
    }
    if (context) {
        pa.contextSetStateCallback(context, nullptr, nullptr);
        pa.contextDisconnect(context);
        pa.contextUnref(context);
        context = nullptr;
    }
    pa.unlock(loop);
    pa.mainloopStop(loop);
    pa.mainloopFree(loop);
    loop = nullptr;
    streamReady = false;
}

QString SoundDevice::lastError() const
{
    return QString::fromUtf8(pa.errorText(pa.contextErrno(context)));
}

void SoundDevice::connectStream()
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, soundRate, 1};
    pa_proplist* properties = pa.proplistNew();
    pa.proplistSets(properties, PA_PROP_MEDIA_ROLE, identity.role.toUtf8().constData());
    stream = pa.streamNew(context, identity.applicationName.toUtf8().constData(), &spec, nullptr, properties);
    pa.proplistFree(properties);
    if (!stream) {
        report(SoundFault::Kind::NoServer, lastError());
        return;
    }
    pa.streamSetStateCallback(stream, &SoundDevice::streamChanged, this);
    pa.streamSetWriteCallback(stream, &SoundDevice::streamWants, this);
    pa_buffer_attr buffer;
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.tlength = queuedBytes;
    buffer.prebuf = static_cast<std::uint32_t>(-1);
    buffer.minreq = static_cast<std::uint32_t>(-1);
    buffer.fragsize = static_cast<std::uint32_t>(-1);
    if (pa.streamConnectPlayback(stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
        report(SoundFault::Kind::NoServer, lastError());
}

void SoundDevice::contextChanged(pa_context* context, void* device)
{
    auto* self = static_cast<SoundDevice*>(device);
    switch (self->pa.contextGetState(context)) {
    case PA_CONTEXT_READY:
        self->connectStream();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        self->report(self->streamReady ? SoundFault::Kind::Lost : SoundFault::Kind::NoServer, self->lastError());
        break;
    default:
        break;
    }
}

void SoundDevice::streamChanged(pa_stream* stream, void* device)
{
    auto* self = static_cast<SoundDevice*>(device);
    switch (self->pa.streamGetState(stream)) {
    case PA_STREAM_READY:
        self->streamReady = true;
        QMetaObject::invokeMethod(
            self,
            [self, generation = self->generation] {
                if (generation == self->generation && self->loop)
                    Q_EMIT self->opened();
            },
            Qt::QueuedConnection);
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        // The server ended the stream: its device went away with nowhere to move it, or the server is going.
        self->report(self->streamReady ? SoundFault::Kind::Lost : SoundFault::Kind::NoServer, self->lastError());
        break;
    default:
        break;
    }
}

void SoundDevice::streamWants(pa_stream* stream, std::size_t bytes, void* device)
{
    auto* self = static_cast<SoundDevice*>(device);
    while (bytes >= 2) {
        void* data = nullptr;
        std::size_t room = bytes;
        if (self->pa.streamBeginWrite(stream, &data, &room) < 0 || !data || room < 2)
            return;
        room &= ~std::size_t{1};
        self->mixer->mix(static_cast<std::int16_t*>(data), room / 2);
        if (self->pa.streamWrite(stream, data, room, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        bytes -= room;
    }
}

void SoundDevice::report(SoundFault::Kind kind, const QString& detail)
{
    QMetaObject::invokeMethod(
        this,
        [this, kind, detail, generation = generation] {
            if (generation == this->generation && loop)
                fail(kind, detail);
        },
        Qt::QueuedConnection);
}

void SoundDevice::fail(SoundFault::Kind kind, const QString& detail)
{
    qCWarning(lcSound) << (kind == SoundFault::Kind::NoLibrary  ? "cannot load the sound library:"
                           : kind == SoundFault::Kind::NoServer ? "cannot open the sound:"
                                                                : "the sound went away:")
                       << detail;
    close();
    Q_EMIT failed(static_cast<int>(kind), detail);
}

} // namespace fururupo
