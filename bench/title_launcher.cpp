// The game's own start-up, step for step as app/main.cpp does it, ending as soon as the title screen has been
// painted once: what a player waits for between launching the game and seeing it.
#include "quit_when_shown.h"
#include "screens/game_session.h"
#include "screens/runtime.h"
#include "screens/title_screen.h"

#include <exception>

int main(int argc, char** argv)
{
    fururupo::Application app(argc, argv);
    fururupo::setUpRuntime(app);
    try {
        fururupo::GameSession session(QCoreApplication::applicationDirPath());
        auto* titleScreen = new fururupo::Form1(session);
        titleScreen->show();
        fururupo::bench::quitWhenShown(*titleScreen);
        const int status = QApplication::exec();
        fururupo::deleteAllWindows();
        return status;
    } catch (const std::exception& error) {
        fururupo::reportFatalError(QString::fromUtf8(error.what()));
        return 1;
    }
}
