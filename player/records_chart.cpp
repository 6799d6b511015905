#include "player/records_chart.h"

#include "player/records_schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <map>
#include <utility>

namespace fururupo::records {

QString bucketColumns(const char* alias)
{
    QStringList columns{QStringLiteral("span"), QStringLiteral("games")};
    for (const char* measure : {"seconds", "kpm", "accuracy", "score"})
        for (const char* part : {"_sum", "_low", "_high"})
            columns << QLatin1String(measure) + QLatin1String(part);
    if (!alias)
        return columns.join(QStringLiteral(", "));
    const QString a = QLatin1String(alias) + u'.';
    return a + columns.join(QStringLiteral(", ") + a);
}

ProgressBucket bucketAt(const QSqlQuery& query, int first)
{
    ProgressBucket bucket;
    bucket.span = query.value(first).toLongLong();
    bucket.games = query.value(first + 1).toLongLong();
    Spread* spreads[] = {&bucket.seconds, &bucket.keysPerMinute, &bucket.accuracy, &bucket.score};
    for (int m = 0; m < 4; ++m)
        *spreads[m] = {query.value(first + 2 + 3 * m).toDouble(), query.value(first + 3 + 3 * m).toDouble(),
                       query.value(first + 4 + 3 * m).toDouble()};
    return bucket;
}

QSqlError writeBucket(QSqlDatabase& db, const Scope& chart, int position, const ProgressBucket& bucket)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO chart_buckets (list_hash, speed, typing_style, position, %1)"
                                 " VALUES (?, ?, ?, ?%2)")
                      .arg(bucketColumns(), QStringLiteral(", ?").repeated(bucketColumnCount)));
    for (const QVariant& value :
         {QVariant(chart.hash), QVariant(chart.speed), QVariant(chart.style), QVariant(position),
          QVariant(qlonglong(bucket.span)), QVariant(qlonglong(bucket.games))})
        query.addBindValue(value);
    for (const Spread& spread : {bucket.seconds, bucket.keysPerMinute, bucket.accuracy, bucket.score})
        for (double value : {spread.sum, spread.low, spread.high})
            query.addBindValue(value);
    return query.exec() ? QSqlError() : query.lastError();
}

QSqlError fillCharts(QSqlDatabase& db)
{
    std::map<Scope, std::vector<ProgressBucket>> charts;
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("DELETE FROM chart_buckets")))
            return query.lastError();
        if (!query.exec(QStringLiteral("SELECT g.list_hash, g.speed, g.typing_style, g.seconds, g.keys, g.good_keys,"
                                       " g.mistakes FROM games g WHERE typeof(g.list_hash) = 'text' AND g.finished = 1"
                                       " AND g.practice = 0 AND %1 ORDER BY g.played_at, g.id")
                            .arg(validGame())))
            return query.lastError();
        while (query.next())
            addGame(charts[{query.value(0).toString(), query.value(1).toInt(), query.value(2).toInt()}],
                    bucketOfGame({query.value(3).toInt(), query.value(4).toInt(), query.value(5).toInt(),
                                  query.value(6).toInt()}));
        if (query.lastError().isValid())
            return query.lastError();
    }
    for (const auto& [key, buckets] : charts) {
        for (std::size_t at = 0; at < buckets.size(); ++at)
            if (const QSqlError error = writeBucket(db, key, static_cast<int>(at), buckets[at]); error.isValid())
                return error;
    }
    return {};
}

// Adds a finished game to its chart: into the last bucket while it has room, else into a new one
// after it; when the chart is full (or its last row cannot be believed) the whole chart is read, paired up and written
// again, which happens once each time the games double.
QSqlError addToChart(QSqlDatabase& db, const Scope& key, const ProgressBucket& game)
{
    const QString where = QStringLiteral("b.list_hash = ? AND b.speed = ? AND b.typing_style = ?");
    const auto bindKey = [&](QSqlQuery& query) {
        query.addBindValue(key.hash);
        query.addBindValue(key.speed);
        query.addBindValue(key.style);
    };
    QSqlQuery last(db);
    last.prepare(QStringLiteral("SELECT b.position, %1, %2 FROM chart_buckets b WHERE %3"
                                " ORDER BY b.position DESC LIMIT 1")
                     .arg(bucketColumns("b"), validBucket(), where));
    bindKey(last);
    if (!last.exec())
        return last.lastError();
    if (!last.next()) {
        if (last.lastError().isValid())
            return last.lastError();
        return writeBucket(db, key, 0, game);
    }
    const int position = last.value(0).toInt();
    const bool believed = last.value(1 + bucketColumnCount).toLongLong() == 1;
    ProgressBucket bucket = bucketAt(last, 1);
    last.finish();
    if (believed && bucket.games < bucket.span) {
        const std::int64_t span = bucket.span;
        bucket = merged(bucket, game);
        bucket.span = span;
        return writeBucket(db, key, position, bucket);
    }
    if (believed && position + 1 < maxProgressBuckets) {
        ProgressBucket next = game;
        next.span = bucket.span;
        return writeBucket(db, key, position + 1, next);
    }
    std::vector<ProgressBucket> chart;
    std::int64_t skipped = 0;
    if (const QSqlError error = readChart(db, key, chart, skipped); error.isValid())
        return error;
    addGame(chart, game);
    QSqlQuery all(db);
    all.prepare(QStringLiteral("DELETE FROM chart_buckets WHERE list_hash = ? AND speed = ? AND typing_style = ?"));
    bindKey(all);
    if (!all.exec())
        return all.lastError();
    for (std::size_t at = 0; at < chart.size(); ++at)
        if (const QSqlError error = writeBucket(db, key, static_cast<int>(at), chart[at]); error.isValid())
            return error;
    return {};
}

QSqlError readChart(QSqlDatabase db, const Scope& key, std::vector<ProgressBucket>& chart, std::int64_t& skipped)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1, %2 FROM chart_buckets b WHERE b.list_hash = ? AND b.speed = ?"
                                 " AND b.typing_style = ? ORDER BY b.position")
                      .arg(bucketColumns("b"), validBucket()));
    query.addBindValue(key.hash);
    query.addBindValue(key.speed);
    query.addBindValue(key.style);
    if (query.exec()) {
        while (query.next()) {
            if (query.value(bucketColumnCount).toLongLong() == 1)
                chart.push_back(bucketAt(query, 0));
            else
                ++skipped;
        }
    }
    return query.lastError();
}

} // namespace fururupo::records
