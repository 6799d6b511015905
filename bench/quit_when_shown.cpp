#include "quit_when_shown.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace fururupo::bench {

namespace {

void quitAfterThisEvent()
{
    // Queued, so the expose that is being delivered finishes (and paints) before the loop ends.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

class ExposeWatch final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            quitAfterThisEvent();
            watched->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

void quitWhenShown(QWidget& window)
{
    QWindow* handle = window.windowHandle();
    if (!handle || handle->isExposed()) {
        quitAfterThisEvent();
        return;
    }
    handle->installEventFilter(new ExposeWatch(handle));
}

} // namespace fururupo::bench
