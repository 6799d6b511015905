#pragma once

#include "player/settings.h"
#include "sound/sound_kind.h"
#include "sound/sound_player.h"

#include <QObject>
#include <QString>

namespace fururupo {

// What the player chose of the sounds, remembered between runs.
inline constexpr Setting<bool> soundOnSetting{"sound/on", true};
inline constexpr Setting<bool> keyClickSetting{"sound/keyClick", true};
inline constexpr Setting<bool> otherSoundsSetting{"sound/others", true};
inline constexpr Setting<int> soundVolumeSetting{"sound/volume", 70, 0, 100};

// The game's sounds as the windows use them: the player, with the switches and the volume the settings hold. The
// sound is opened at every game start, never before (the title screen costs no sound), and closed when the game
// screen goes; a sound server missing or lost is remembered as one line for the next title screen, once a fault.
class GameSounds : public QObject
{
    Q_OBJECT

public:
    explicit GameSounds(Settings& settings, QObject* parent = nullptr);

    // A game starts: the sound opens, or tries again after a fault. Returns at once.
    void gameStarting();
    // The game screen went: nothing is left open while the title screen waits.
    void gameLeft();

    // Never waits: see SoundPlayer::play.
    void play(SoundKind kind) { player.play(kind); }

    // Every sound on or off at once, remembered (the game screen's F3).
    void switchAll();
    // Takes the switches and the volume from the settings again, after the settings window changed them.
    void applySettings();

    // The fault found since the last title screen, for its notice line, once; empty when there is none.
    QString takeNotice();

    SoundPlayer& soundPlayer() { return player; }

private:
    Settings& settings;
    SoundPlayer player;
    SoundFault unsaid;
    // A fault has been found since the sound last opened: one that goes on (no server at the next game either) is
    // not said again.
    bool faultSince = false;
};

} // namespace fururupo
