// The game's own start-up, ending as soon as the title screen has been painted once: what a player waits for between
// launching the game and seeing it.
#include "quit_when_shown.h"
#include "screens/application.h"
#include "screens/text_and_placement.h"

int main(int argc, char** argv)
{
    const auto app = fururupo::openDesktopSession(argc, argv);
    fururupo::setUpRuntime(*app);
    return fururupo::runGame(*app, [](QWidget& titleScreen) { fururupo::bench::quitWhenShown(titleScreen); });
}
