#include "quit_when_shown.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace fururupo::bench {

namespace {

class ExposeWatch final : public QObject
{
public:
    ExposeWatch(QObject* parent, std::function<void()> then) : QObject(parent), then(std::move(then)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            // Queued, so the expose that is being delivered finishes (and paints) first.
            QMetaObject::invokeMethod(QCoreApplication::instance(), then, Qt::QueuedConnection);
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    std::function<void()> then;
};

} // namespace

void whenShown(QWidget& window, std::function<void()> then)
{
    QWindow* handle = window.windowHandle();
    if (!handle || handle->isExposed()) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), then, Qt::QueuedConnection);
        return;
    }
    handle->installEventFilter(new ExposeWatch(handle, std::move(then)));
}

void quitWhenShown(QWidget& window)
{
    whenShown(window, &QCoreApplication::quit);
}

} // namespace fururupo::bench
