#include "screen_test_support.h"

#include "screens/application.h"
#include "screens/text_and_placement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

namespace fururupo::testing {

WordFolder::WordFolder(const std::vector<Entry>& entries)
{
    if (!entries.empty())
        write(entries);
}

void WordFolder::write(const std::vector<Entry>& entries)
{
    QByteArray bytes("\xEF\xBB\xBF");
    for (const auto& [word, explanation] : entries) {
        // Characters 1 to 31 hold the word, 32 is a blank, the explanation follows.
        bytes += word.leftJustified(32, u' ').toUtf8() + explanation.toUtf8() + "\r\n";
    }
    QFile file(dir.filePath(QStringLiteral("MSG.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void WordFolder::remove()
{
    QFile::remove(dir.filePath(QStringLiteral("MSG.txt")));
}

std::vector<QWidget*> existingWindows(const QString& name)
{
    std::vector<QWidget*> found;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name)
            found.push_back(window);
    }
    return found;
}

std::vector<QWidget*> openWindows(const QString& name)
{
    std::vector<QWidget*> found;
    for (QWidget* window : existingWindows(name)) {
        if (window->isVisible())
            found.push_back(window);
    }
    return found;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void closeAllWindows()
{
    QCoreApplication::processEvents();
    deleteAllWindows();
    flushDeletes();
}

QString text(QWidget* window, const char* name)
{
    QWidget* control = child<QWidget>(window, name);
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* box = qobject_cast<QLineEdit*>(control))
        return box->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    return {};
}

void tick(QWidget* window, const char* clockName, int times)
{
    for (int i = 0; i < times; ++i) {
        auto* clock = child<QTimer>(window, clockName);
        ASSERT_TRUE(clock && clock->isActive()) << clockName << " is not running";
        QTimerEvent event(clock->timerId());
        QCoreApplication::sendEvent(clock, &event);
    }
}

bool running(QWidget* window, const char* clockName)
{
    auto* clock = child<QTimer>(window, clockName);
    return clock && clock->isActive();
}

void click(QWidget* window, const char* name)
{
    if (auto* control = child<QWidget>(window, name))
        QTest::mouseClick(control, Qt::LeftButton);
}

void postClick(QWidget* window, const char* name)
{
    QWidget* control = child<QWidget>(window, name);
    if (!control)
        return;
    const QPointF local = QRectF(control->rect()).center();
    const QPointF global = control->mapToGlobal(local);
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QCoreApplication::postEvent(control,
                                    new QMouseEvent(type, local, global, Qt::LeftButton, held, Qt::NoModifier));
    }
}

void typeText(QWidget* box, const QString& text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

void pressKey(QWidget* box, Qt::Key key)
{
    QTest::keyClick(box, key);
}

ProcessEndRecorder::ProcessEndRecorder() : previous(setProcessEnd([this](int status) { statuses.push_back(status); }))
{
}

ProcessEndRecorder::~ProcessEndRecorder()
{
    setProcessEnd(previous);
}

MessageBoxAnswerer::MessageBoxAnswerer()
{
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QStringList behind;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window != box && window->isVisible())
                behind << window->objectName();
        }
        seen.push_back({box->windowTitle(), box->text(), box->icon(), static_cast<int>(box->buttons().size()), behind});
        box->buttons().constFirst()->click();
    });
    poll.start();
}

int countNear(const QImage& image, const QRect& rect, const QColor& colour, int tolerance)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) <= tolerance &&
                std::abs(pixel.green() - colour.green()) <= tolerance &&
                std::abs(pixel.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

} // namespace fururupo::testing
