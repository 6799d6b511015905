#pragma once

#include "sound/sound_kind.h"

#include <QObject>
#include <QString>

#include <memory>

class QThread;

namespace fururupo {

class SoundDevice;
class SoundMixer;

// What went wrong with the sound; the screens word it. detail carries the library's own text, for the log.
struct SoundFault
{
    enum class Kind {
        None,
        NoLibrary, // the sound library could not be loaded
        NoServer,  // no sound server or device could be opened
        Lost,      // the server or the device went away while the sound was open
    };
    Kind kind = Kind::None;
    QString detail;
};

// How the stream names itself to the sound server, so that the desktop's mixer shows it with the game's name and icon
// and remembers its volume.
struct StreamIdentity
{
    QString applicationName;
    QString iconName;
    QString role = QStringLiteral("game");
};

// The game's sounds: one stream to the sound server, kept open, into which every sound asked for is mixed. The screens
// own one and call play() at the moments a sound marks; play() only raises a flag that the next request of the server
// for samples (about every 5 ms) takes up, so no key ever waits for audio, and nothing is opened, loaded or made until
// openAudio().
//
// Faults: with no server, or when the server or its device goes away, the player plays on silently, reports the fault
// once through faultFound() and by fault(), logs it to fururupo.sound with the library's own text, and tries again at
// the next openAudio().
class SoundPlayer : public QObject
{
    Q_OBJECT

public:
    enum class State { Closed, Opening, Open, Faulted };

    explicit SoundPlayer(StreamIdentity identity, QObject* parent = nullptr);
    ~SoundPlayer() override;

    // Opens the stream off the calling thread and returns at once; the state is Opening until it is Open or Faulted.
    // Does nothing while Opening or Open; after a fault (or closeAudio()) it tries again.
    void openAudio();
    // Closes the stream; sounds asked for afterwards are not played until the next openAudio().
    void closeAudio();

    // Mixes the sound of this kind into the stream from the next period on, unless its switch is off. Sounds asked for
    // while the stream is opening play once it is open; while it is closed or faulted they are dropped.
    void play(SoundKind kind);

    // Every sound: off silences what is playing at once.
    void setSoundOn(bool on);
    bool soundOn() const { return allOn; }
    void setKeyClickOn(bool on) { clickOn = on; }
    bool keyClickOn() const { return clickOn; }
    // Every kind but the key click.
    void setOtherSoundsOn(bool on) { othersOn = on; }
    bool otherSoundsOn() const { return othersOn; }
    // The gain applied to every sound, from 0 (silent) to 1 (as made), as an amplitude; out of range is clamped.
    void setVolume(double gain);
    double volume() const;

    State state() const { return currentState; }
    // The last fault reported; kind None once the stream is open again.
    const SoundFault& fault() const { return currentFault; }

Q_SIGNALS:
    // Once for each fault: the next comes only after the stream has been opened again or asked to try again.
    void faultFound(const fururupo::SoundFault& fault);
    void stateChanged(fururupo::SoundPlayer::State state);

private:
    void opened();
    void failed(const SoundFault& fault);
    void setState(State state);

    StreamIdentity identity;
    std::shared_ptr<SoundMixer> mixer;
    std::unique_ptr<QThread> deviceThread;
    SoundDevice* device = nullptr; // lives on deviceThread; deleted once that thread has ended
    State currentState = State::Closed;
    SoundFault currentFault;
    bool allOn = true;
    bool clickOn = true;
    bool othersOn = true;
};

} // namespace fururupo
