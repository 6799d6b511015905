#pragma once

#include "sound/sound_player.h"

#include <QLibrary>
#include <QObject>
#include <QTimer>

#include <SDL2/SDL_audio.h>

#include <cstdint>
#include <memory>

namespace fururupo {

class SoundMixer;

// The audio device, driven from a thread of its own, since opening it talks to the sound server and may take a while.
// SDL2 is loaded the first time the device opens, so a game that never plays a sound never maps it; its audio thread
// calls the mixer every 256 frames. While open, the device's state is looked at every quarter of a second: a server
// or device gone is reported once through failed(), and the device is closed until the next open().
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
    void watch();
    void fail(SoundFault::Kind kind, const QString& detail);
    static void fill(void* mixer, std::uint8_t* stream, int bytes);

    std::shared_ptr<SoundMixer> mixer;
    StreamIdentity identity;
    QLibrary library;
    QTimer watchClock;
    std::uint32_t deviceId = 0;
    bool audioStarted = false;

    // The few SDL2 functions used, resolved from the library when it is loaded.
    struct Functions
    {
        int (*initSubSystem)(std::uint32_t);
        void (*quitSubSystem)(std::uint32_t);
        int (*setHint)(const char*, const char*);
        const char* (*getError)();
        std::uint32_t (*openAudioDevice)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int);
        void (*pauseAudioDevice)(std::uint32_t, int);
        SDL_AudioStatus (*getAudioDeviceStatus)(std::uint32_t);
        void (*closeAudioDevice)(std::uint32_t);
        const char* (*getCurrentAudioDriver)();
    };
    Functions sdl{};
};

} // namespace fururupo
