#include "sound/sound_player.h"

#include "sound/sound_device.h"
#include "sound/sound_logging.h"
#include "sound/sound_mixer.h"

#include <QThread>

#include <algorithm>

namespace fururupo {

Q_LOGGING_CATEGORY(lcSound, "fururupo.sound", QtInfoMsg)

SoundPlayer::SoundPlayer(StreamIdentity identity, QObject* parent)
    : QObject(parent), identity(std::move(identity)), mixer(std::make_shared<SoundMixer>())
{
}

SoundPlayer::~SoundPlayer()
{
    if (deviceThread) {
        // The device closes on its own thread, where it was opened; once that thread has ended it can go.
        QMetaObject::invokeMethod(device, &SoundDevice::close, Qt::BlockingQueuedConnection);
        deviceThread->quit();
        deviceThread->wait();
        delete device;
    }
}

void SoundPlayer::openAudio()
{
    if (currentState == State::Opening || currentState == State::Open)
        return;
    if (!deviceThread) {
        deviceThread = std::make_unique<QThread>();
        deviceThread->setObjectName(QStringLiteral("fururupo sound"));
        device = new SoundDevice(mixer, identity);
        device->moveToThread(deviceThread.get());
        connect(device, &SoundDevice::opened, this, &SoundPlayer::opened);
        connect(device, &SoundDevice::failed, this, [this](int kind, const QString& detail) {
            failed({static_cast<SoundFault::Kind>(kind), detail});
        });
        deviceThread->start();
    }
    setState(State::Opening);
    QMetaObject::invokeMethod(device, &SoundDevice::open, Qt::QueuedConnection);
}

void SoundPlayer::closeAudio()
{
    if (!deviceThread || currentState == State::Closed)
        return;
    mixer->dropAll();
    QMetaObject::invokeMethod(device, &SoundDevice::close, Qt::QueuedConnection);
    setState(State::Closed);
}

void SoundPlayer::play(SoundKind kind)
{
    if (!allOn || !(isKeyClick(kind) ? clickOn : othersOn))
        return;
    if (currentState == State::Open || currentState == State::Opening)
        mixer->ask(kind);
}

void SoundPlayer::setSoundOn(bool on)
{
    allOn = on;
    mixer->setSilenced(!on);
}

void SoundPlayer::setVolume(double gain)
{
    mixer->setGain(static_cast<float>(std::clamp(gain, 0.0, 1.0)));
}

double SoundPlayer::volume() const
{
    return mixer->currentGain();
}

void SoundPlayer::opened()
{
    // A close asked for while the device was opening wins.
    if (currentState != State::Opening)
        return;
    currentFault = {};
    setState(State::Open);
}

void SoundPlayer::failed(const SoundFault& fault)
{
    mixer->dropAll();
    if (currentState == State::Faulted || currentState == State::Closed)
        return;
    currentFault = fault;
    setState(State::Faulted);
    Q_EMIT faultFound(currentFault);
}

void SoundPlayer::setState(State state)
{
    if (currentState == state)
        return;
    currentState = state;
    Q_EMIT stateChanged(state);
}

} // namespace fururupo
