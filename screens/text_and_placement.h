#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <string_view>

class QWidget;

namespace fururupo {

// The game's UTF-16 text as a QString.
QString qtext(std::u16string_view text);

// Label captions use CR LF for a line break; a QLabel breaks on LF alone and would draw the CR as a blank.
QString captionText(std::u16string_view text);

// Places a window so that its client area sits in the middle of its screen.
void centreOnScreen(QWidget& window);

// Where a window whose frame has this size goes beside another window's frame, within a screen's available area: to
// its right, else to its left, else centred over it; in every case moved as little as needed to lie on the screen.
QRect placedBeside(const QSize& frame, const QRect& other, const QRect& available);

// Places a top-level window beside another one, as placedBeside says, on the other's screen. Neither window becomes
// the other's parent: each keeps its own life.
void placeBeside(QWidget& window, const QWidget& other);

} // namespace fururupo
