#include "sound/sound_device.h"

#include "sound/sound_logging.h"
#include "sound/sound_mixer.h"
#include "sound/sound_shapes.h"

#include <SDL2/SDL.h>

namespace fururupo {

SoundDevice::SoundDevice(std::shared_ptr<SoundMixer> mixer, StreamIdentity identity)
    : mixer(std::move(mixer)), identity(std::move(identity)), library(QStringLiteral("SDL2-2.0"), 0), watchClock(this)
{
    watchClock.setInterval(250);
    connect(&watchClock, &QTimer::timeout, this, &SoundDevice::watch);
}

SoundDevice::~SoundDevice()
{
    close();
}

bool SoundDevice::loadLibrary()
{
    if (sdl.initSubSystem)
        return true;
    if (!library.load()) {
        fail(SoundFault::Kind::NoLibrary, library.errorString());
        return false;
    }
    auto resolve = [this](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
        return function != nullptr;
    };
    if (!resolve(sdl.setHint, "SDL_SetHint") || !resolve(sdl.getError, "SDL_GetError") ||
        !resolve(sdl.openAudioDevice, "SDL_OpenAudioDevice") || !resolve(sdl.pauseAudioDevice, "SDL_PauseAudioDevice") ||
        !resolve(sdl.getAudioDeviceStatus, "SDL_GetAudioDeviceStatus") ||
        !resolve(sdl.closeAudioDevice, "SDL_CloseAudioDevice") || !resolve(sdl.quitSubSystem, "SDL_QuitSubSystem") ||
        !resolve(sdl.getCurrentAudioDriver, "SDL_GetCurrentAudioDriver") ||
        !resolve(sdl.initSubSystem, "SDL_InitSubSystem")) {
        sdl.initSubSystem = nullptr;
        fail(SoundFault::Kind::NoLibrary, library.errorString());
        return false;
    }
    return true;
}

void SoundDevice::open()
{
    // Already open: a close asked for while it was opening came after this second open.
    if (deviceId != 0) {
        Q_EMIT opened();
        return;
    }
    if (!mixer->soundsMade())
        mixer->makeSounds();
    if (!loadLibrary())
        return;
    // What the sound server shows in the desktop's mixer: the application's name and the stream's, and its role.
    const QByteArray name = identity.applicationName.toUtf8();
    const QByteArray role = identity.role.toUtf8();
    sdl.setHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, name.constData());
    sdl.setHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, name.constData());
    sdl.setHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, role.constData());
    if (sdl.initSubSystem(SDL_INIT_AUDIO) != 0) {
        fail(SoundFault::Kind::NoServer, QString::fromUtf8(sdl.getError()));
        return;
    }
    audioStarted = true;
    SDL_AudioSpec wanted{};
    wanted.freq = soundRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 256;
    wanted.callback = &SoundDevice::fill;
    wanted.userdata = mixer.get();
    deviceId = sdl.openAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (deviceId == 0) {
        fail(SoundFault::Kind::NoServer, QString::fromUtf8(sdl.getError()));
        return;
    }
    sdl.pauseAudioDevice(deviceId, 0);
    watchClock.start();
    qCDebug(lcSound) << "audio open through" << sdl.getCurrentAudioDriver();
    Q_EMIT opened();
}

void SoundDevice::close()
{
    watchClock.stop();
    if (deviceId != 0)
        sdl.closeAudioDevice(deviceId);
    deviceId = 0;
    if (audioStarted)
        sdl.quitSubSystem(SDL_INIT_AUDIO);
    audioStarted = false;
}

void SoundDevice::watch()
{
    if (deviceId == 0)
        return;
    const SDL_AudioStatus status = sdl.getAudioDeviceStatus(deviceId);
    if (status != SDL_AUDIO_PLAYING)
        fail(SoundFault::Kind::Lost, QStringLiteral("SDL audio device status %1 (%2 driver) %3")
                                         .arg(static_cast<int>(status))
                                         .arg(QString::fromUtf8(sdl.getCurrentAudioDriver()),
                                              QString::fromUtf8(sdl.getError())));
}

void SoundDevice::fail(SoundFault::Kind kind, const QString& detail)
{
    qCWarning(lcSound) << (kind == SoundFault::Kind::NoLibrary ? "cannot load the sound library:"
                           : kind == SoundFault::Kind::NoServer ? "cannot open the sound:"
                                                                 : "the sound went away:")
                       << detail;
    close();
    Q_EMIT failed(static_cast<int>(kind), detail);
}

void SoundDevice::fill(void* mixer, std::uint8_t* stream, int bytes)
{
    static_cast<SoundMixer*>(mixer)->mix(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(bytes) / 2);
}

} // namespace fururupo
