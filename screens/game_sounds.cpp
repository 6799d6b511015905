#include "screens/game_sounds.h"

#include "screens/notices.h"

namespace fururupo {

GameSounds::GameSounds(Settings& settings, QObject* parent)
    : QObject(parent), settings(settings),
      player(StreamIdentity{QStringLiteral("ふるるぽ"), QStringLiteral("io.github.fururupo.fururupo")})
{
    applySettings();
    connect(&player, &SoundPlayer::faultFound, this, [this](const SoundFault& fault) {
        if (!faultSince)
            unsaid = fault;
        faultSince = true;
    });
    connect(&player, &SoundPlayer::stateChanged, this, [this](SoundPlayer::State state) {
        if (state == SoundPlayer::State::Open)
            faultSince = false;
    });
}

void GameSounds::gameStarting()
{
    player.openAudio();
}

void GameSounds::gameLeft()
{
    player.closeAudio();
}

void GameSounds::switchAll()
{
    const bool on = !player.soundOn();
    player.setSoundOn(on);
    settings.setValue(soundOnSetting, on);
}

void GameSounds::applySettings()
{
    player.setSoundOn(settings.value(soundOnSetting));
    player.setKeyClickOn(settings.value(keyClickSetting));
    player.setOtherSoundsOn(settings.value(otherSoundsSetting));
    player.setVolume(settings.value(soundVolumeSetting) / 100.0);
}

QString GameSounds::takeNotice()
{
    const QString line = sentenceOf(unsaid);
    unsaid = {};
    return line;
}

} // namespace fururupo
