#include "player/records_schema.h"

#include "player/records_chart.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <map>
#include <utility>
#include <vector>

namespace fururupo::records {
namespace {

using Type = ColumnRule::Type;

// Totals over every game of a list: a trillion is more than a lifetime of games can reach.
constexpr double maxTotal = 1e12;
// The most games one chart bucket can hold, and the largest keys a minute a possible game gives.
constexpr double maxSpan = 1099511627776.0; // 2^40
constexpr double maxKeysPerMinute = rule::keys.high * 60.0;

constexpr ColumnRule gameRules[] = {rule::speed,   rule::finished, rule::practice,
                                    rule::seconds, rule::keys,     rule::mistakes};
constexpr ColumnRule wordRules[] = {rule::word, rule::answer, rule::wordSeconds, rule::timedOut, rule::wordMistakes};
constexpr ColumnRule wordTotalRules[] = {rule::word,
                                         {"shown", Type::Integer, 1, maxTotal},
                                         {"missed", Type::Integer, 0, maxTotal, "shown"},
                                         {"timed_out", Type::Integer, 0, maxTotal, "missed"}};
constexpr ColumnRule kanaTotalRules[] = {
    rule::kana, {"typed", Type::Integer, 0, maxTotal}, {"missed", Type::Integer, 0, maxTotal, "typed"}};

// A chart bucket's measures, each as its sum, lowest and highest.
struct Measure
{
    const char* name;
    double high;
};
constexpr Measure measures[] = {{"seconds", rule::seconds.high}, {"kpm", maxKeysPerMinute}, {"accuracy", 100}};
constexpr ColumnRule bucketRules[] = {{"position", Type::Integer, 0, maxProgressBuckets - 1},
                                      {"span", Type::Integer, 1, maxSpan},
                                      {"games", Type::Integer, 1, maxSpan, "span"},
                                      {"seconds_low", Type::Real, 0, rule::seconds.high},
                                      {"seconds_high", Type::Real, 0, rule::seconds.high},
                                      {"kpm_low", Type::Real, 0, maxKeysPerMinute},
                                      {"kpm_high", Type::Real, 0, maxKeysPerMinute},
                                      {"accuracy_low", Type::Real, 0, 100},
                                      {"accuracy_high", Type::Real, 0, 100}};

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

QString validRow(std::span<const ColumnRule> rules, const char* alias)
{
    const QString a = QLatin1String(alias) + u'.';
    QStringList terms;
    for (const ColumnRule& rule : rules) {
        const QString column = a + QLatin1String(rule.column);
        switch (rule.type) {
        case Type::Integer:
            terms << QStringLiteral("typeof(%1) = 'integer'").arg(column);
            break;
        case Type::Real:
            terms << QStringLiteral("typeof(%1) IN ('integer', 'real')").arg(column);
            break;
        case Type::Text:
            terms << QStringLiteral("typeof(%1) = 'text' AND length(%1) BETWEEN %2 AND %3")
                         .arg(column, number(rule.low), number(rule.high));
            continue;
        }
        terms << QStringLiteral("%1 BETWEEN %2 AND %3").arg(column, number(rule.low), number(rule.high));
        if (rule.atMost)
            terms << QStringLiteral("%1 <= %2").arg(column, a + QLatin1String(rule.atMost));
    }
    return u'(' + terms.join(QLatin1String(" AND ")) + u')';
}

bool allowsText(const ColumnRule& rule, const std::u16string& text)
{
    return rule.allows(static_cast<double>(text.size()));
}

// Version 1: the games and their words.
constexpr const char* schemaVersion1[] = {
    "CREATE TABLE games (id INTEGER PRIMARY KEY, played_at TEXT, list_path TEXT, list_hash TEXT, list_name TEXT,"
    " speed INTEGER, finished INTEGER, seconds INTEGER, keys INTEGER, mistakes INTEGER)",
    "CREATE INDEX games_by_list ON games (list_hash, speed, finished)",
    "CREATE TABLE game_words (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL, word TEXT, answer TEXT, seconds INTEGER, timed_out INTEGER, mistakes INTEGER,"
    " PRIMARY KEY (game_id, position)) WITHOUT ROWID",
};

// Version 2: practice games, the kana of each game, and the words' and kana's totals for each list. The primary keys
// of the games' rows start with game_id, so they serve as the indexes that deleting a game's rows needs. The totals
// are added to in the same transaction as each game: summing a list's rows of every game instead takes seconds once
// a list has thousands of games (docs/performance.md).
constexpr const char* schemaVersion2[] = {
    "ALTER TABLE games ADD COLUMN practice INTEGER NOT NULL DEFAULT 0",
    "CREATE TABLE game_kana (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
    " kana TEXT NOT NULL, typed INTEGER, missed INTEGER, PRIMARY KEY (game_id, kana)) WITHOUT ROWID",
    "CREATE TABLE list_words (list_hash TEXT NOT NULL, word TEXT NOT NULL, shown INTEGER, missed INTEGER,"
    " timed_out INTEGER, PRIMARY KEY (list_hash, word)) WITHOUT ROWID",
    "CREATE TABLE list_kana (list_hash TEXT NOT NULL, kana TEXT NOT NULL, typed INTEGER, missed INTEGER,"
    " PRIMARY KEY (list_hash, kana)) WITHOUT ROWID",
};

// Version 3: the chart of each list and speed as at most 512 buckets, added to in the same transaction as each game,
// and the games ordered by record within each list and speed, so that the ten best are the first ten rows of the
// index: the history window reads the same few rows after ten games or after a hundred thousand.
constexpr const char* schemaVersion3[] = {
    "CREATE TABLE chart_buckets (list_hash TEXT NOT NULL, speed INTEGER NOT NULL, position INTEGER NOT NULL,"
    " span INTEGER, games INTEGER, seconds_sum REAL, seconds_low REAL, seconds_high REAL, kpm_sum REAL,"
    " kpm_low REAL, kpm_high REAL, accuracy_sum REAL, accuracy_low REAL, accuracy_high REAL,"
    " PRIMARY KEY (list_hash, speed, position)) WITHOUT ROWID",
    "DROP INDEX IF EXISTS games_by_list",
    "CREATE INDEX games_by_record ON games (list_hash, speed, finished, practice, seconds, played_at, id)",
};

} // namespace

QString validGame(const char* alias)
{
    const QString a = QLatin1String(alias) + u'.';
    // The time as the store writes it (ISO 8601 in UTC), which SQLite can read as a date.
    return QStringLiteral("(typeof(%1played_at) = 'text' AND length(%1played_at) BETWEEN 20 AND 35"
                          " AND substr(%1played_at, 5, 1) = '-' AND substr(%1played_at, 11, 1) = 'T'"
                          " AND julianday(%1played_at) IS NOT NULL AND %2)")
        .arg(a, validRow(gameRules, alias));
}

QString validWord(const char* alias)
{
    return validRow(wordRules, alias);
}

QString validWordTotal(const char* alias)
{
    return validRow(wordTotalRules, alias);
}

QString validKanaTotal(const char* alias)
{
    return validRow(kanaTotalRules, alias);
}

QString validBucket(const char* alias)
{
    const QString a = QLatin1String(alias) + u'.';
    QStringList terms{validRow(bucketRules, alias)};
    // Each mean lies between its lowest and highest (with room for the rounding of a long sum).
    for (const Measure& m : measures)
        terms << QStringLiteral("typeof(%1%2_sum) IN ('integer', 'real') AND %1%2_low <= %1%2_high"
                                " AND %1%2_sum BETWEEN %1%2_low * %1games * 0.999999 - 1e-6"
                                " AND %1%2_high * %1games * 1.000001 + 1e-6")
                     .arg(a, QLatin1String(m.name));
    return u'(' + terms.join(QLatin1String(" AND ")) + u')';
}

bool plausible(const GameRecord& game)
{
    const int year = game.playedAt.toUTC().date().year();
    if (!game.playedAt.isValid() || year < 1 || year > 9999 || !rule::speed.allows(static_cast<int>(game.speed)) ||
        !rule::seconds.allows(game.seconds) || !rule::keys.allows(game.keys) ||
        !rule::mistakes.allows(game.mistakes, game.keys))
        return false;
    for (const WordOutcome& word : game.words) {
        if (!allowsText(rule::word, word.word) || !allowsText(rule::answer, word.answer) ||
            !rule::wordSeconds.allows(word.seconds) || !rule::wordMistakes.allows(word.mistakes))
            return false;
    }
    for (const KanaCount& kana : game.kana) {
        if (!allowsText(rule::kana, kana.kana) || !rule::kanaTyped.allows(kana.typed) ||
            !rule::kanaMissed.allows(kana.missed, kana.typed))
            return false;
    }
    return true;
}

QSqlError migrate(QSqlDatabase& db)
{
    QSqlQuery query(db);
    // Another game may have brought the file up to date since it was opened; inside the transaction it cannot.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return query.lastError();
    const int version = query.value(0).toInt();
    query.finish();
    const auto run = [&](const auto& statements) {
        for (const char* statement : statements)
            if (!query.exec(QString::fromUtf8(statement)))
                return false;
        return true;
    };
    if (version < 1 && !run(schemaVersion1))
        return query.lastError();
    if (version < 2) {
        if (!run(schemaVersion2))
            return query.lastError();
        // The words of the games already kept start the totals; those games counted no kana.
        if (!query.exec(QStringLiteral("INSERT INTO list_words (list_hash, word, shown, missed, timed_out)"
                                       " SELECT g.list_hash, w.word, COUNT(*), SUM(w.mistakes > 0 OR w.timed_out = 1),"
                                       " SUM(w.timed_out) FROM games g JOIN game_words w ON w.game_id = g.id"
                                       " WHERE typeof(g.list_hash) = 'text' AND %1 AND %2 GROUP BY g.list_hash, w.word")
                            .arg(validGame(), validWord())))
            return query.lastError();
    }
    if (version < 3) {
        if (!run(schemaVersion3))
            return query.lastError();
        if (const QSqlError error = fillCharts(db); error.isValid())
            return error;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(currentVersion)))
        return query.lastError();
    return {};
}

} // namespace fururupo::records
