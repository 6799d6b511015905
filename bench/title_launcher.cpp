// The game's own start-up, ending as soon as the title screen has been painted once: what a player waits for between
// launching the game and seeing it. With --one-folder the title screen is built on the executable's folder alone, as
// before lists could be chosen: no search of the data folders, no remembered choice, no chooser. With --sound the
// game's sound player is built first, as its owner will build it, and left closed; with --sound-open it is also opened
// once the title screen has been painted, and the launcher ends when it is open (or has found no server).
#include "platform/program_folder.h"
#include "quit_when_shown.h"
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"
#include "sound/sound_player.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    const bool oneFolder = argc > 1 && std::strcmp(argv[1], "--one-folder") == 0;
    const bool sound = argc > 1 && std::strncmp(argv[1], "--sound", 7) == 0;
    const bool soundOpen = argc > 1 && std::strcmp(argv[1], "--sound-open") == 0;
    int qtArgc = 1;
    const auto app = fururupo::openDesktopSession(qtArgc, argv);
    fururupo::setUpRuntime(*app);
    std::unique_ptr<fururupo::SoundPlayer> player;
    if (sound)
        player = std::make_unique<fururupo::SoundPlayer>(
            fururupo::StreamIdentity{QStringLiteral("ふるるぽ"), QStringLiteral("io.github.fururupo.fururupo")});
    if (soundOpen) {
        // The time from openAudio() to the stream open goes to standard error, for bench/sound_latency.
        QElapsedTimer opening;
        QObject::connect(player.get(), &fururupo::SoundPlayer::stateChanged,
                         [&opening](fururupo::SoundPlayer::State state) {
                             if (state == fururupo::SoundPlayer::State::Opening)
                                 return;
                             std::fprintf(stderr, "opened in %.1f ms\n", opening.nsecsElapsed() / 1e6);
                             QCoreApplication::quit();
                         });
        return fururupo::runGame(*app, [&player, &opening](QWidget& titleScreen) {
            fururupo::bench::whenShown(titleScreen, [&player, &opening] {
                opening.start();
                player->openAudio();
            });
        });
    }
    if (!oneFolder)
        return fururupo::runGame(*app, [](QWidget& titleScreen) { fururupo::bench::quitWhenShown(titleScreen); });
    fururupo::GameApp game(fururupo::executableFolder().value_or(std::filesystem::path()));
    fururupo::bench::quitWhenShown(*game.showTitle());
    const int status = app->exec();
    fururupo::deleteAllWindows();
    return status;
}
