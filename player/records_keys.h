#pragma once

#include "logic/key_slips.h"
#include "player/game_record.h"
#include "player/records_chart.h"

#include <QSqlError>

#include <cstdint>
#include <vector>

class QSqlDatabase;

namespace fururupo::records {

// The key slips of one game, inside the caller's transaction: its rows in game_keys and game_confusions, added to the
// totals of its list, speed and way of typing (list_keys, list_confusions), so that the history window reads a few dozen
// rows whatever the number of games. A key or a slip given twice is added into its first.
QSqlError addKeyRows(QSqlDatabase& db, qlonglong gameId, const Scope& scope, const GameRecord& game);

// The totals of one list, speed and way of typing: every key counted, in the keyboard's order, and every slip, most
// frequent first. Rows whose values are impossible, or whose keycode is no key of the keyboard's, are left out and
// counted in skipped.
QSqlError readKeyTotals(QSqlDatabase db, const Scope& scope, std::vector<KeyMisses>& keys,
                        std::vector<ConfusionCount>& confusions, std::int64_t& skipped);

} // namespace fururupo::records
