#pragma once

#include "sound/sound_player.h"

#include <QLibrary>
#include <QObject>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <atomic>
#include <cstddef>
#include <memory>

namespace fururupo {

class SoundMixer;

// The stream to the sound server, through the server's own client library (libpulse: PulseAudio, and PipeWire through
// its PulseAudio server). The library is loaded the first time the stream opens, so a game that never plays a sound
// never maps it. open() and close() run on the thread the device lives on and never wait for the server: the
// library's own thread connects, asks for the mixer's samples whenever the server has room for them (about every
// 5 ms), and reports a server or device gone, which comes back here as failed(), once, with the stream closed.
class SoundDevice : public QObject
{
    Q_OBJECT

public:
    SoundDevice(std::shared_ptr<SoundMixer> mixer, StreamIdentity identity);
    ~SoundDevice() override;

    void open();
    void close();

Q_SIGNALS:
    void opened();
    // kind is a SoundFault::Kind.
    void failed(int kind, const QString& detail);

private:
    bool loadLibrary();
    void fail(SoundFault::Kind kind, const QString& detail);
    // Called on the library's thread, with its lock held.
    static void contextChanged(pa_context* context, void* device);
    static void streamChanged(pa_stream* stream, void* device);
    static void streamWants(pa_stream* stream, std::size_t bytes, void* device);
    void connectStream();
    // Hands a report from the library's thread to this object's thread.
    void report(SoundFault::Kind kind, const QString& detail);
    QString lastError() const;

    std::shared_ptr<SoundMixer> mixer;
    StreamIdentity identity;
    QLibrary library;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    // Set on the library's thread, under its lock: whether the stream reached the server, so that a failure after it
    // is a loss and before it a server not there.
    std::atomic<bool> streamReady{false};
    // Counts the opens, so that a report of a stream already closed is not taken for the current one.
    int generation = 0;

    // The functions of libpulse used, resolved when it is loaded.
    struct Functions
    {
        decltype(&pa_threaded_mainloop_new) mainloopNew;
        decltype(&pa_threaded_mainloop_free) mainloopFree;
        decltype(&pa_threaded_mainloop_start) mainloopStart;
        decltype(&pa_threaded_mainloop_stop) mainloopStop;
        decltype(&pa_threaded_mainloop_lock) lock;
        decltype(&pa_threaded_mainloop_unlock) unlock;
        decltype(&pa_threaded_mainloop_get_api) api;
        decltype(&pa_proplist_new) proplistNew;
        decltype(&pa_proplist_sets) proplistSets;
        decltype(&pa_proplist_free) proplistFree;
        decltype(&pa_context_new_with_proplist) contextNew;
        decltype(&pa_context_set_state_callback) contextSetStateCallback;
        decltype(&pa_context_connect) contextConnect;
        decltype(&pa_context_disconnect) contextDisconnect;
        decltype(&pa_context_unref) contextUnref;
        decltype(&pa_context_get_state) contextGetState;
        decltype(&pa_context_errno) contextErrno;
        decltype(&pa_stream_new_with_proplist) streamNew;
        decltype(&pa_stream_set_state_callback) streamSetStateCallback;
        decltype(&pa_stream_set_write_callback) streamSetWriteCallback;
        decltype(&pa_stream_connect_playback) streamConnectPlayback;
        decltype(&pa_stream_disconnect) streamDisconnect;
        decltype(&pa_stream_unref) streamUnref;
        decltype(&pa_stream_get_state) streamGetState;
        decltype(&pa_stream_begin_write) streamBeginWrite;
        decltype(&pa_stream_write) streamWrite;
        decltype(&pa_strerror) errorText;
    };
    Functions pa{};
    bool loaded = false;
};

} // namespace fururupo
