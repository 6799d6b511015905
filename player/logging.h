#pragma once

#include <QLoggingCategory>

namespace fururupo {

// The player layer's diagnostics, one category for each thing it keeps: every fault is logged as a warning with the
// driver's or the system's own code and text, so a player's report can be read without a debugger.
// QT_LOGGING_RULES="fururupo.*.debug=true" shows the rest.
Q_DECLARE_LOGGING_CATEGORY(lcLists)
Q_DECLARE_LOGGING_CATEGORY(lcRecords)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

} // namespace fururupo
