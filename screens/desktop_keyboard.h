#pragma once

#include "logic/keyboard_layout.h"

namespace fururupo {

// The keyboard the desktop types with, as far as it can be read: the layout X11's keyboard description names on the
// root window (_XKB_RULES_NAMES, asked of the X server Qt is connected to), else the locale's, else the Japanese
// keyboard. Asked at every game screen's opening: one round trip to the X server, nothing started.
KeyboardLayout desktopKeyboardLayout();

} // namespace fururupo
