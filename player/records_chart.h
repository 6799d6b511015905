#pragma once

#include "logic/progress_buckets.h"

#include <QSqlError>
#include <QString>

#include <cstdint>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace fururupo::records {

// The chart of each list and speed, kept as at most maxProgressBuckets rows of chart_buckets and added to in the
// same transaction as each game, so that reading it costs the same whatever the number of games.

// The columns of a row after its key, as bucketAt reads them and writeBucket writes them; each named with the alias
// before it when one is given.
QString bucketColumns(const char* alias = nullptr);
ProgressBucket bucketAt(const QSqlQuery& query, int firstColumn);
QSqlError writeBucket(QSqlDatabase& db, const QString& hash, int speed, int position, const ProgressBucket& bucket);

// Adds one finished game to the chart of its list and speed.
QSqlError addToChart(QSqlDatabase& db, const QString& hash, int speed, const ProgressBucket& game);

// The chart of one list and speed, oldest first; rows whose values are impossible are left out and counted.
QSqlError readChart(QSqlDatabase db, const QString& hash, int speed, std::vector<ProgressBucket>& chart,
                    std::int64_t& skipped);

// Rebuilds every list's chart from its games, oldest first: for a file of an earlier version, and for files built by
// hand.
QSqlError fillCharts(QSqlDatabase& db);

} // namespace fururupo::records
