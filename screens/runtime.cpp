#include "screens/runtime.h"

#include "platform/checked.h"
#include "screens/game_session.h"
#include "screens/title_screen.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

// Resources of a static library are registered by hand; Q_INIT_RESOURCE must stand outside any namespace.
static void registerPictures()
{
    Q_INIT_RESOURCE(fururupo);
}

namespace fururupo {

namespace {

ProcessEnd& processEnd()
{
    static ProcessEnd end = [](int status) {
        std::fflush(nullptr);
        std::_Exit(status);
    };
    return end;
}

bool reportingFatalError = false;

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const RuntimeError& error) {
        reportFatalError(QString::fromUtf8(error.what()));
    } catch (const std::exception& error) {
        reportFatalError(QStringLiteral("内部エラーが発生しました（%1）。").arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        reportFatalError(QStringLiteral("原因のわからないエラーが発生しました。"));
    }
    return false;
}

void setUpRuntime(QApplication& app)
{
    registerPictures();
    QFont::insertSubstitutions(QStringLiteral("HG創英角ﾎﾟｯﾌﾟ体"),
                               {QStringLiteral("RocknRoll One"), QStringLiteral("Noto Sans CJK JP")});

    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto* translator = new QTranslator(&app);
    if (translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.fururupo.fururupo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/fururupo.png")));
}

ProcessEnd setProcessEnd(ProcessEnd end)
{
    std::swap(processEnd(), end);
    return end;
}

void endProcess(int status)
{
    processEnd()(status);
}

void reportFatalError(const QString& description)
{
    // A second error while the first is on screen (a clock that kept running, say) ends the process at once.
    if (reportingFatalError) {
        endProcess(1);
        return;
    }
    reportingFatalError = true;
    // Nothing may tick behind the message: stop every clock of every window first.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (QTimer* clock : window->findChildren<QTimer*>())
            clock->stop();
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ふるるぽ"),
                    QStringLiteral("実行時エラーが発生したため、ふるるぽを終了します。\n\n%1").arg(description),
                    QMessageBox::Ok);
    box.exec();
    reportingFatalError = false;
    endProcess(1);
}

void deleteAllWindows()
{
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        windows.emplace_back(window);
    for (const QPointer<QWidget>& window : windows)
        delete window.data();
}

int runGame(QApplication& app, const std::function<void(QWidget& titleScreen)>& titleShown)
{
    try {
        // The game and its word list live as long as the process; the windows come and go around them.
        GameSession session(QCoreApplication::applicationDirPath());
        auto* titleScreen = new Form1(session);
        titleScreen->show();
        if (titleShown)
            titleShown(*titleScreen);
        const int status = app.exec();
        deleteAllWindows();
        return status;
    } catch (const std::exception& error) {
        reportFatalError(QString::fromUtf8(error.what()));
        return 1;
    }
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - window.height()) / 2);
}

QString qtext(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString captionText(std::u16string_view text)
{
    QString caption = qtext(text);
    caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return caption;
}

} // namespace fururupo
