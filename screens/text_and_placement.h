#pragma once

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

} // namespace fururupo
