#pragma once

#include <functional>

class QWidget;

namespace fururupo::bench {

// Calls then once the shown window's first expose has been handled (it has been painted once). Call after show().
void whenShown(QWidget& window, std::function<void()> then);

// Ends the event loop as soon as the shown window's first expose has been handled, so that the window has been
// painted once; the start-up measurements use it for the bare window and the title screen alike. Call after show().
void quitWhenShown(QWidget& window);

} // namespace fururupo::bench
