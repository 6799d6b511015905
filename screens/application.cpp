#include "screens/application.h"

#include "platform/program_folder.h"
#include "unpacked_pictures.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <xcb/xproto.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

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

// What Qt says while the application object is being built, held back so that a failure prints one line, not Qt's
// several; on success it is passed on as it would have been.
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> heldMessages;
QtMessageHandler handlerBeforeStart = nullptr;

void holdStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, QByteArray(context.category ? context.category : ""), text});
        return;
    }
    // No window can be opened. Qt would abort here (status 134 and a core file); say why in one line instead.
    QString reason;
    for (const HeldMessage& held : heldMessages) {
        if (held.type == QtWarningMsg || held.type == QtCriticalMsg) {
            reason = held.text;
            break;
        }
    }
    if (reason.isEmpty())
        reason = text.section(QLatin1Char('\n'), 0, 0);
    reason = reason.simplified();
    QString line = QStringLiteral("ふるるぽにはデスクトップのセッションが必要です / fururupo needs a desktop session");
    if (!reason.isEmpty())
        line += QStringLiteral(" (") + reason + QStringLiteral(")");
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
    std::_Exit(2);
}

} // namespace

std::unique_ptr<Application> openDesktopSession(int& argc, char** argv)
{
    handlerBeforeStart = qInstallMessageHandler(holdStartMessage);
    auto app = std::make_unique<Application>(argc, argv);
    qInstallMessageHandler(handlerBeforeStart);
    for (const HeldMessage& held : heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        handlerBeforeStart(held.type, context, held.text);
    }
    heldMessages.clear();
    return app;
}

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
        reportFatalError(QStringLiteral("内部エラーが発生しました（") + QString::fromLocal8Bit(error.what()) +
                         QStringLiteral("）。"));
    } catch (...) {
        reportFatalError(QStringLiteral("原因のわからないエラーが発生しました。"));
    }
    return false;
}

void setUpRuntime(QApplication& app)
{
    QFont::insertSubstitutions(QStringLiteral("HG創英角ﾎﾟｯﾌﾟ体"),
                               {QStringLiteral("RocknRoll One"), QStringLiteral("Noto Sans CJK JP")});

    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto* translator = new QTranslator(&app);
    if (translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.fururupo.fururupo"));
    QApplication::setWindowIcon(QIcon(bundledPicture("fururupo.png")));
}

QPixmap bundledPicture(std::string_view name)
{
    for (const UnpackedPicture& picture : unpackedPictures()) {
        if (picture.name != name)
            continue;
        // A raster pixmap keeps an image of these two formats as it is, so the pixmap shares the compiled-in array.
        const QImage image(reinterpret_cast<const uchar*>(picture.pixels), picture.width, picture.height,
                           picture.width * 4,
                           picture.hasAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        return QPixmap::fromImage(image);
    }
    return {};
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
                    QStringLiteral("実行時エラーが発生したため、ふるるぽを終了します。\n\n") + description,
                    QMessageBox::Ok);
    box.exec();
    reportingFatalError = false;
    endProcess(1);
}

bool ForeignDestroyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    // Only the server's own notice, not one that a client sent (the top bit set), says the window is really gone.
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (event->response_type != XCB_DESTROY_NOTIFY)
        return false;
    // Qt destroys its own windows only after letting go of them (handle() is empty by then, or names a new window),
    // so a window still held here was destroyed by someone else.
    const xcb_window_t destroyed = static_cast<const xcb_destroy_notify_event_t*>(message)->window;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->handle() && window->winId() == destroyed) {
            endProcess(0);
            return true;
        }
    }
    return false;
}

void deleteAllWindows()
{
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        windows.emplace_back(window);
    for (const QPointer<QWidget>& window : windows)
        delete window.data();
}

} // namespace fururupo
