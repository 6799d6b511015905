#pragma once

#include <QLoggingCategory>

namespace fururupo {

// The sound layer's diagnostics: every fault is logged as a warning with the sound library's own text.
Q_DECLARE_LOGGING_CATEGORY(lcSound)

} // namespace fururupo
