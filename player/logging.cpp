#include "player/logging.h"

namespace fururupo {

Q_LOGGING_CATEGORY(lcLists, "fururupo.lists", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRecords, "fururupo.records", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "fururupo.settings", QtInfoMsg)

} // namespace fururupo
