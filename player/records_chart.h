#pragma once

#include "logic/progress_buckets.h"

#include <QSqlError>
#include <QString>

#include <cstdint>
#include <tuple>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace fururupo::records {

// The chart of each list, speed and way of typing, kept as at most maxProgressBuckets rows of chart_buckets and added
// to in the same transaction as each game, so that reading it costs the same whatever the number of games.

// Which games: those of a list at a speed, typed in one way, as the columns hold them (the key of a chart and of the
// keys' totals).
struct Scope
{
    QString hash;
    int speed = 0;
    int style = 0;

    bool operator<(const Scope& other) const
    {
        return std::tie(hash, speed, style) < std::tie(other.hash, other.speed, other.style);
    }
};

// The columns of a row after its key, as bucketAt reads them and writeBucket writes them; each named with the alias
// before it when one is given.
QString bucketColumns(const char* alias = nullptr);
inline constexpr int bucketColumnCount = 14;
ProgressBucket bucketAt(const QSqlQuery& query, int firstColumn);
QSqlError writeBucket(QSqlDatabase& db, const Scope& chart, int position, const ProgressBucket& bucket);

// Adds one finished game to the chart of its list, speed and way of typing.
QSqlError addToChart(QSqlDatabase& db, const Scope& chart, const ProgressBucket& game);

// One chart, oldest first; rows whose values are impossible are left out and counted.
QSqlError readChart(QSqlDatabase db, const Scope& key, std::vector<ProgressBucket>& chart, std::int64_t& skipped);

// Rebuilds every chart from the games, oldest first: for a file of an earlier version, and for files built by hand.
QSqlError fillCharts(QSqlDatabase& db);

} // namespace fururupo::records
