#pragma once

#include "platform/checked.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QMetaObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class QPixmap;
class QWidget;

namespace fururupo {

// The process's application object. Calls from Qt into the rules go through guarded() below, so no error of the
// rules crosses Qt's dispatch; notify() is only the last resort for anything else that escapes a handler: the player
// reads its description in a message box and the process ends with status 1.
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

// Fonts, Japanese language resources and the window icon; main and the screen tests both run it once.
void setUpRuntime(QApplication& app);

// One of the game's pictures by the name of its file in assets/ ("title.gif"), made from the pixels decoded at build
// time without copying them, so that start-up opens no image reader or plugin; a null pixmap for any other name.
QPixmap bundledPicture(std::string_view name);

// Ends the process at once, without further events. Tests put a recorder in its place so that EXIT and a fatal
// error can be checked without ending the test run; setProcessEnd returns the previous one.
using ProcessEnd = std::function<void(int status)>;
ProcessEnd setProcessEnd(ProcessEnd end);
void endProcess(int status);

// Shows the description of an error that nothing else handled, then ends the process with status 1.
void reportFatalError(const QString& description);

// Runs a call into the rules from a slot, a timer or an event handler. A run-time error of the rules becomes the
// error box, shown from the event loop once the handler has returned, never thrown into Qt (Qt calls that undefined).
template <typename Call> void guarded(Call&& call)
{
    try {
        call();
    } catch (const RuntimeError& error) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [message = QString::fromUtf8(error.what())] { reportFatalError(message); },
            Qt::QueuedConnection);
    }
}

// Ends the process, with the status closing the last window gives (0), when another X client destroys one of this
// process's windows (xdotool windowclose, XDestroyWindow): Qt would carry on without any window until the session
// ends. The window manager's close and XKillClient need nothing of it. It sees X events only, so it does nothing on
// other platforms; runGame installs one for the whole event loop.
class ForeignDestroyWatch final : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

// Deletes every window still there; runGame runs it before it returns.
void deleteAllWindows();

} // namespace fururupo
