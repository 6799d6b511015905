#pragma once

#include "logic/rankings.h"
#include "player/game_record.h"

#include <QSqlError>
#include <QString>

#include <cstdint>
#include <vector>

class QSqlDatabase;

namespace fururupo::records {

// The rows one game adds, inside the caller's transaction: the game with its score, its words, kana and key slips, the
// list's totals of them, and, for a finished game other than practice, its place on the chart of its list, speed and
// way of typing.
QSqlError addGameRows(QSqlDatabase& db, const GameRecord& game);

// The totals of a list's kana (when kana is given) or words, in no order; rows whose values are impossible are left
// out and counted in skipped.
QSqlError readTotals(QSqlDatabase db, const QString& hash, std::vector<KanaMisses>* kana,
                     std::vector<WordMisses>* words, std::int64_t& skipped);

} // namespace fururupo::records
