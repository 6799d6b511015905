// The game's own start-up, ending as soon as the title screen has been painted once: what a player waits for between
// launching the game and seeing it. With --one-folder the title screen is built on the executable's folder alone, as
// before lists could be chosen: no search of the data folders, no remembered choice, no chooser.
#include "platform/program_folder.h"
#include "quit_when_shown.h"
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"

#include <cstring>

int main(int argc, char** argv)
{
    const bool oneFolder = argc > 1 && std::strcmp(argv[1], "--one-folder") == 0;
    int qtArgc = 1;
    const auto app = fururupo::openDesktopSession(qtArgc, argv);
    fururupo::setUpRuntime(*app);
    if (!oneFolder)
        return fururupo::runGame(*app, [](QWidget& titleScreen) { fururupo::bench::quitWhenShown(titleScreen); });
    fururupo::GameApp game(fururupo::executableFolder().value_or(std::filesystem::path()));
    fururupo::bench::quitWhenShown(*game.showTitle());
    const int status = app->exec();
    fururupo::deleteAllWindows();
    return status;
}
