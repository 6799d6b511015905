#pragma once

// What the window benchmarks share: showing a window until it is painted, closing it for good, and the floor they
// are read against, an empty window of the same size measured the same way in the same program.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace fururupo::bench {

// Runs events until the window has had its first expose handled, which is also when it is painted.
inline void waitUntilExposed(QWidget& window)
{
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents();
}

// Closes a window that deletes itself on close and carries the deletion out at once.
inline void closeAndDelete(QWidget* window)
{
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// One empty window of the game window's size (836 × 530), shown until painted, then closed and deleted.
inline void showAndCloseEmptyWindow()
{
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(836, 530);
    window->show();
    waitUntilExposed(*window);
    closeAndDelete(window);
}

} // namespace fururupo::bench
