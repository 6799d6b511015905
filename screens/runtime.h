#pragma once

#include <QApplication>

#include <functional>
#include <memory>

class QWidget;

namespace fururupo {

// The process's application object. A run-time error that escapes an event handler ends up here: the player reads
// its description in a message box and the process ends with a non-zero status.
class Application : public QApplication
{
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Builds the application object. When no window can be opened (no desktop session, a display that does not answer,
// a platform plugin that does not load) it prints one line saying so, in Japanese and English with Qt's reason, and
// ends the process with status 2 instead of letting Qt abort it.
std::unique_ptr<Application> openDesktopSession(int& argc, char** argv);

// Fonts, Japanese language resources and the pictures; main and the screen tests both run it once.
void setUpRuntime(QApplication& app);

// Ends the process at once, without further events. Tests put a recorder in its place so that EXIT and a fatal
// error can be checked without ending the test run; setProcessEnd returns the previous one.
using ProcessEnd = std::function<void(int status)>;
ProcessEnd setProcessEnd(ProcessEnd end);
void endProcess(int status);

// Shows the description of an error that nothing else handled, then ends the process with status 1.
void reportFatalError(const QString& description);

// Deletes every window still there; runGame runs it before the game the windows display goes away.
void deleteAllWindows();

// The whole program after setUpRuntime: the game and its word list beside the executable, the title screen, the
// event loop. titleShown, when given, is called with the title screen right after it is first shown.
int runGame(QApplication& app, const std::function<void(QWidget& titleScreen)>& titleShown = {});

// Places a window so that its client area sits in the middle of its screen.
void centreOnScreen(QWidget& window);

// The game's UTF-16 text as a QString.
QString qtext(std::u16string_view text);

// Label captions use CR LF for a line break; a QLabel breaks on LF alone and would draw the CR as a blank.
QString captionText(std::u16string_view text);

} // namespace fururupo
