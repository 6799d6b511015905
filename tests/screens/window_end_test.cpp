// Every way a window can go ends the game as closing it does: here, a window destroyed by another X client, on a
// virtual display of the test's own with the real executable, and the watch that notices it on its own.
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/title_screen.h"

#include "screen_test_support.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <xcb/xproto.h>

#include <memory>
#include <optional>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// An Xvfb server on a display number it picks itself, so that tests running side by side never share one; gone with
// the object.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        server.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                      QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1024x768x24")});
        // The server writes the number once it accepts clients.
        while (!server.canReadLine() && server.waitForReadyRead(60000)) {
        }
        const QByteArray number = server.readLine().trimmed();
        if (!number.isEmpty())
            name = QStringLiteral(":") + QString::fromLatin1(number);
    }
    ~VirtualDisplay()
    {
        server.terminate();
        if (!server.waitForFinished(5000))
            server.kill();
        server.waitForFinished(5000);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    QString name; // empty when the server did not start

private:
    QProcess server;
};

// One xdotool command on that display; its output, trimmed, or nothing when it failed or took longer than the time
// given (a safety net only: every command returns as soon as what it waits for has happened).
std::optional<QString> xdotool(const QString& display, const QStringList& arguments, int safetyMilliseconds = 10000)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(safetyMilliseconds)) {
        tool.kill();
        tool.waitForFinished();
        return std::nullopt;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The window of that title, once it is mapped: xdotool waits for it to show (--sync), which a sanitized build on a
// busy machine can take many seconds to do. A search that meets a window destroyed while it looks (the title screen,
// at START) dies of the X error, so a failed search is asked again until one finds the window or two minutes pass.
QString windowNamed(const QString& display, const QString& title)
{
    QElapsedTimer waited;
    waited.start();
    do {
        const QString found = xdotool(display,
                                      {QStringLiteral("search"), QStringLiteral("--sync"),
                                       QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                       QStringLiteral("^") + title + QStringLiteral("$")},
                                      120000)
                                  .value_or(QString())
                                  .section(QLatin1Char('\n'), 0, 0);
        if (!found.isEmpty())
            return found;
    } while (waited.elapsed() < 120000);
    return {};
}

} // namespace

// `xdotool windowclose` destroys the window itself (XDestroyWindow). Qt does not notice, and the game went on running
// with nothing on screen until the player logged out. Now it ends as the window manager's close would, with status
// 0; and START, which destroys the title screen itself, still leaves the game screen up.
TEST(WindowEnd, AWindowDestroyedByAnotherClientEndsTheGame)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-deps --tests installs both)";
    const QString game = QCoreApplication::applicationDirPath() + QStringLiteral("/fururupo");
    ASSERT_TRUE(QFile::exists(game));
    for (const QString& window : {QStringLiteral("Form1"), QStringLiteral("Form2")}) {
        SCOPED_TRACE(window.toStdString());
        // A display of its own for each game, so that nothing the first game left on the server meets the second.
        const VirtualDisplay display;
        ASSERT_FALSE(display.name.isEmpty()) << "Xvfb did not start";
        QTemporaryDir workingFolder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("DISPLAY"), display.name);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Under the sanitizers, strict string checks stop the game inside the system's X keyboard library (a strndup
        // past the end of a buffer that libxkbcommon-x11 reads from the server), before any code of ours runs; the
        // child keeps every other check.
        const QString sanitizerOptions = environment.value(QStringLiteral("ASAN_OPTIONS"));
        if (!sanitizerOptions.isEmpty())
            environment.insert(QStringLiteral("ASAN_OPTIONS"), QString(sanitizerOptions)
                                                                   .replace(QStringLiteral("strict_string_checks=1"),
                                                                            QStringLiteral("strict_string_checks=0")));
        QProcess process;
        const std::unique_ptr<QProcess, void (*)(QProcess*)> endAnyway(&process, [](QProcess* left) {
            left->kill();
            left->waitForFinished();
        });
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingFolder.path());
        process.start(game, QStringList());
        ASSERT_TRUE(process.waitForStarted(10000));

        QString target = windowNamed(display.name, QStringLiteral("Form1"));
        ASSERT_FALSE(target.isEmpty()) << "no title screen: " << process.readAllStandardError().toStdString();
        if (window == QStringLiteral("Form2")) {
            // Enter on START, which has the focus: the game screen opens and the title screen's window is destroyed.
            ASSERT_TRUE(xdotool(display.name, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), target,
                                               QStringLiteral("key"), QStringLiteral("Return")}));
            target = windowNamed(display.name, QStringLiteral("Form2"));
            ASSERT_FALSE(target.isEmpty()) << "no game screen";
            EXPECT_FALSE(process.waitForFinished(1000)) << "the game ended when START closed the title screen";
            ASSERT_EQ(process.state(), QProcess::Running);
        }
        ASSERT_TRUE(xdotool(display.name, {QStringLiteral("windowclose"), target}));
        ASSERT_TRUE(process.waitForFinished(60000)) << "still running a minute after its window was destroyed";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
}

// The watch ends the process for a destroyed window of this process only: not for another client's window, nor for
// any other event about one of ours, nor for a forged notice, nor for a message of another platform.
TEST(WindowEnd, TheWatchActsOnTheDestructionOfAWindowOfOursAlone)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    ProcessEndRecorder ends;
    GameApp app(words.folder());
    auto* title = app.showTitle();
    const auto ours = static_cast<xcb_window_t>(title->winId());
    const auto event = [](std::uint8_t type, xcb_window_t window) {
        xcb_destroy_notify_event_t notify{};
        notify.response_type = type;
        notify.event = window;
        notify.window = window;
        return notify;
    };
    ForeignDestroyWatch watch;
    const auto seen = [&](const QByteArray& eventType, xcb_destroy_notify_event_t notify) {
        return watch.nativeEventFilter(eventType, &notify, nullptr);
    };
    EXPECT_FALSE(seen("xcb_generic_event_t", event(XCB_DESTROY_NOTIFY, ours + 1)));
    EXPECT_FALSE(seen("xcb_generic_event_t", event(XCB_UNMAP_NOTIFY, ours)));
    EXPECT_FALSE(seen("windows_generic_MSG", event(XCB_DESTROY_NOTIFY, ours)));
    // The top bit marks an event that a client sent, not the server: the window is still there.
    EXPECT_FALSE(seen("xcb_generic_event_t", event(XCB_DESTROY_NOTIFY | 0x80, ours)));
    EXPECT_TRUE(ends.statuses.empty());
    EXPECT_TRUE(seen("xcb_generic_event_t", event(XCB_DESTROY_NOTIFY, ours)));
    EXPECT_EQ(ends.statuses, std::vector<int>{0});
    closeAllWindows();
}
