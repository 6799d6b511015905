#include "screens/game_session.h"
#include "screens/runtime.h"
#include "screens/title_screen.h"

#include <exception>

int main(int argc, char** argv)
{
    fururupo::Application app(argc, argv);
    fururupo::setUpRuntime(app);
    try {
        // The game and its word list live as long as the process; the windows come and go around them.
        fururupo::GameSession session(QCoreApplication::applicationDirPath());
        auto* titleScreen = new fururupo::Form1(session);
        titleScreen->show();
        const int status = QApplication::exec();
        fururupo::deleteAllWindows();
        return status;
    } catch (const std::exception& error) {
        fururupo::reportFatalError(QString::fromUtf8(error.what()));
        return 1;
    }
}
