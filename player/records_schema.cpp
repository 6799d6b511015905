#include "player/records_schema.h"

#include "player/records_chart.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <sqlite3.h>

namespace fururupo::records {
namespace {

using Type = ColumnRule::Type;

// Totals over every game of a list: a trillion is more than a lifetime of games can reach.
constexpr double maxTotal = 1e12;
// The most games one chart bucket can hold, and the largest keys a minute a possible game gives.
constexpr double maxSpan = 1099511627776.0; // 2^40
constexpr double maxKeysPerMinute = rule::keys.high * 60.0;

constexpr ColumnRule gameRules[] = {rule::speed, rule::style,    rule::finished, rule::practice, rule::seconds,
                                    rule::keys,  rule::goodKeys, rule::mistakes, rule::score};
constexpr ColumnRule wordRules[] = {rule::word, rule::answer, rule::wordSeconds, rule::timedOut, rule::wordMistakes};
constexpr ColumnRule wordTotalRules[] = {rule::word,
                                         {"shown", Type::Integer, 1, maxTotal},
                                         {"missed", Type::Integer, 0, maxTotal, "shown"},
                                         {"timed_out", Type::Integer, 0, maxTotal, "missed"}};
constexpr ColumnRule kanaTotalRules[] = {
    rule::kana, {"typed", Type::Integer, 0, maxTotal}, {"missed", Type::Integer, 0, maxTotal, "typed"}};
constexpr ColumnRule keyTotalRules[] = {
    rule::keycode, {"expected", Type::Integer, 0, maxTotal}, {"missed", Type::Integer, 0, maxTotal, "expected"}};
constexpr ColumnRule confusionTotalRules[] = {
    rule::expectedKeycode, rule::hitKeycode, {"count", Type::Integer, 1, maxTotal}};

// A chart bucket's measures, each as its sum, lowest and highest.
struct Measure
{
    const char* name;
    double high;
};
constexpr Measure measures[] = {
    {"seconds", rule::seconds.high}, {"kpm", maxKeysPerMinute}, {"accuracy", 100}, {"score", rule::score.high}};
constexpr ColumnRule bucketRules[] = {{"position", Type::Integer, 0, maxProgressBuckets - 1},
                                      {"span", Type::Integer, 1, maxSpan},
                                      {"games", Type::Integer, 1, maxSpan, "span"},
                                      {"seconds_low", Type::Real, 0, rule::seconds.high},
                                      {"seconds_high", Type::Real, 0, rule::seconds.high},
                                      {"kpm_low", Type::Real, 0, maxKeysPerMinute},
                                      {"kpm_high", Type::Real, 0, maxKeysPerMinute},
                                      {"accuracy_low", Type::Real, 0, 100},
                                      {"accuracy_high", Type::Real, 0, 100},
                                      {"score_low", Type::Real, 0, rule::score.high},
                                      {"score_high", Type::Real, 0, rule::score.high}};

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

// Version 3 kept the chart of each list and speed and ordered the games by record; version 4 keeps both for each way
// of typing, so a file brought up from before version 3 only loses the index of version 1 here and gets the rest with
// version 4.
constexpr const char* schemaVersion3[] = {
    "DROP INDEX IF EXISTS games_by_list",
};

// Version 4: the way each game was typed, its correct keys and its score, each physical key's slips, and the chart of
// each list, speed and way of typing with the score as a fourth measure, added to in the same transaction as each game.
// Bests are per way of typing, so the index by record starts with it; the index by list serves the last game of a
// list and speed (its rows end in the game's id).
constexpr const char* schemaVersion4[] = {
    "ALTER TABLE games ADD COLUMN typing_style INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE games ADD COLUMN good_keys INTEGER",
    "ALTER TABLE games ADD COLUMN score INTEGER",
    "DROP INDEX IF EXISTS games_by_record",
    "CREATE INDEX games_by_record ON games (list_hash, speed, typing_style, finished, practice, seconds, played_at, "
    "id)",
    "CREATE INDEX games_by_list ON games (list_hash, speed)",
    "DROP TABLE IF EXISTS chart_buckets",
    "CREATE TABLE chart_buckets (list_hash TEXT NOT NULL, speed INTEGER NOT NULL, typing_style INTEGER NOT NULL,"
    " position INTEGER NOT NULL, span INTEGER, games INTEGER, seconds_sum REAL, seconds_low REAL, seconds_high REAL,"
    " kpm_sum REAL, kpm_low REAL, kpm_high REAL, accuracy_sum REAL, accuracy_low REAL, accuracy_high REAL,"
    " score_sum REAL, score_low REAL, score_high REAL, PRIMARY KEY (list_hash, speed, typing_style, position))"
    " WITHOUT ROWID",
    "CREATE TABLE game_keys (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
    " keycode INTEGER NOT NULL, expected INTEGER, missed INTEGER, PRIMARY KEY (game_id, keycode)) WITHOUT ROWID",
    "CREATE TABLE game_confusions (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
    " expected_keycode INTEGER NOT NULL, hit_keycode INTEGER NOT NULL, count INTEGER,"
    " PRIMARY KEY (game_id, expected_keycode, hit_keycode)) WITHOUT ROWID",
    "CREATE TABLE list_keys (list_hash TEXT NOT NULL, speed INTEGER NOT NULL, typing_style INTEGER NOT NULL,"
    " keycode INTEGER NOT NULL, expected INTEGER, missed INTEGER,"
    " PRIMARY KEY (list_hash, speed, typing_style, keycode)) WITHOUT ROWID",
    "CREATE TABLE list_confusions (list_hash TEXT NOT NULL, speed INTEGER NOT NULL, typing_style INTEGER NOT NULL,"
    " expected_keycode INTEGER NOT NULL, hit_keycode INTEGER NOT NULL, count INTEGER,"
    " PRIMARY KEY (list_hash, speed, typing_style, expected_keycode, hit_keycode)) WITHOUT ROWID",
};

// The way of typing, correct keys and score of the games kept before version 4, which counted neither.
//
// The way: before input methods were counted key by key, a game typed through one counted about two keys a word (each
// commit and the answering Enter), whereas the game's own romaji mode counts every key, and every character of an
// answer takes at least one key, plus the key that answers. So a game whose keys are fewer than the characters of the
// words it answered plus one key for each of those words was typed through an input method; any other was typed in
// romaji (kana input did not exist). A game of words of one kana typed through an input method reaches that bound and
// is taken for romaji, as is one whose player committed kana by kana.
//
// The correct keys: keys - mistakes. Corrections (Backspace) were counted among the keys but not kept apart, so an old
// game's correct keys include them, and its correct keys a minute and score are a little high by as much.
constexpr const char* earlierGames =
    "UPDATE games SET typing_style = CASE WHEN typeof(keys) = 'integer' AND keys < (SELECT"
    " COALESCE(SUM(length(w.answer) + 1), 0) FROM game_words w WHERE w.game_id = games.id AND w.timed_out = 0"
    " AND typeof(w.answer) = 'text') THEN 2 ELSE 0 END, good_keys = CASE WHEN typeof(keys) = 'integer'"
    " AND typeof(mistakes) = 'integer' AND mistakes BETWEEN 0 AND keys THEN keys - mistakes END";

// SQL's own view of a game's score, as GameCounts::score works it out: score(seconds, keys, good_keys, mistakes), NULL
// when any of them is not a whole number. Registered on the connection for the migration only.
void scoreOfRow(sqlite3_context* context, int, sqlite3_value** values)
{
    std::int32_t counts[4];
    for (int at = 0; at < 4; ++at) {
        if (sqlite3_value_type(values[at]) != SQLITE_INTEGER) {
            sqlite3_result_null(context);
            return;
        }
        const sqlite3_int64 value = sqlite3_value_int64(values[at]);
        counts[at] = static_cast<std::int32_t>(std::clamp<sqlite3_int64>(value, -1, rule::keys.high));
    }
    sqlite3_result_int64(context, GameCounts{counts[0], counts[1], counts[2], counts[3]}.score());
}

sqlite3* handleOf(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3* const*>(handle.data())
               : nullptr;
}

} // namespace

QString validGame(const char* alias)
{
    const QString a = QLatin1String(alias) + u'.';
    // The time as the store writes it (ISO 8601 in UTC), which SQLite can read as a date; correct keys and mistakes
    // within the keys; a score no higher than the correct keys a minute it weighs, and none without seconds.
    return QStringLiteral("(typeof(%1played_at) = 'text' AND length(%1played_at) BETWEEN 20 AND 35"
                          " AND substr(%1played_at, 5, 1) = '-' AND substr(%1played_at, 11, 1) = 'T'"
                          " AND julianday(%1played_at) IS NOT NULL AND %2 AND %1good_keys + %1mistakes <= %1keys"
                          " AND (%1score = 0 OR (%1seconds > 0 AND %1score <= %1good_keys * 60.0 / %1seconds + 0.5)))")
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

QString validKeyTotal(const char* alias)
{
    return validRow(keyTotalRules, alias);
}

QString validConfusionTotal(const char* alias)
{
    // A key is never confused with itself.
    return QStringLiteral("(%1 AND %2.expected_keycode <> %2.hit_keycode)")
        .arg(validRow(confusionTotalRules, alias), QLatin1String(alias));
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
        !rule::style.allows(static_cast<int>(game.style)) || !rule::seconds.allows(game.seconds) ||
        !rule::keys.allows(game.keys) || !rule::mistakes.allows(game.mistakes, game.keys) ||
        !rule::goodKeys.allows(game.goodKeys, game.keys - game.mistakes))
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
    for (const KeyCount& key : game.keyCounts) {
        if (!knownKey(key.key) || !rule::keyExpected.allows(key.expected) ||
            !rule::keyMissed.allows(key.missed, key.expected))
            return false;
    }
    for (const KeyConfusion& slip : game.confusions) {
        if (!knownKey(slip.expected) || !knownKey(slip.hit) || slip.expected == slip.hit ||
            !rule::confusionCount.allows(slip.count))
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
    // Every table and column first; then what the games already kept give the new ones.
    if (version < 1 && !run(schemaVersion1))
        return query.lastError();
    if (version < 2 && !run(schemaVersion2))
        return query.lastError();
    if (version < 3 && !run(schemaVersion3))
        return query.lastError();
    if (version < 4) {
        if (!run(schemaVersion4))
            return query.lastError();
        sqlite3* handle = handleOf(db);
        if (!handle || sqlite3_create_function_v2(handle, "fururupo_score", 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                                  nullptr, scoreOfRow, nullptr, nullptr, nullptr) != SQLITE_OK)
            return QSqlError(QStringLiteral("cannot work out the scores"),
                             handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QStringLiteral("no SQLite handle"),
                             QSqlError::StatementError);
        if (!query.exec(QString::fromLatin1(earlierGames)) ||
            !query.exec(QStringLiteral("UPDATE games SET score = fururupo_score(seconds, keys, good_keys, mistakes)")))
            return query.lastError();
        query.finish();
    }
    if (version < 2) {
        // The words of the games already kept start the totals; those games counted no kana.
        if (!query.exec(QStringLiteral("INSERT INTO list_words (list_hash, word, shown, missed, timed_out)"
                                       " SELECT g.list_hash, w.word, COUNT(*), SUM(w.mistakes > 0 OR w.timed_out = 1),"
                                       " SUM(w.timed_out) FROM games g JOIN game_words w ON w.game_id = g.id"
                                       " WHERE typeof(g.list_hash) = 'text' AND %1 AND %2 GROUP BY g.list_hash, w.word")
                            .arg(validGame(), validWord())))
            return query.lastError();
    }
    if (version < 4) {
        if (const QSqlError error = fillCharts(db); error.isValid())
            return error;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(currentVersion)))
        return query.lastError();
    return {};
}

} // namespace fururupo::records
