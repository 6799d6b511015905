#include "records_fixture.h"

#include "player/records_chart.h"
#include "player/records_schema.h"
#include "player/records_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cstdio>

namespace fururupo::bench {
namespace {

// Fifty different kana: each game counts each of them once.
const QString kana = QStringLiteral(
    "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをんがぎぐげござ");

bool build(const QString& file, int games)
{
    {
        // The store makes the file and its schema, as the game would.
        RecordsStore store(file);
        GameRecord first;
        first.playedAt = QDateTime(QDate(2019, 12, 31), QTime(0, 0), QTimeZone::utc());
        first.listHash = QByteArray("first");
        first.words.push_back({u"いち", u"いち", 3, false, 0});
        if (!store.save(first) || !store.forgetAll())
            return false;
    }
    const QString name = QStringLiteral("fixture-writer");
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        QSqlQuery query(db);
        const auto run = [&](const QString& statement) {
            if (query.exec(statement))
                return true;
            std::fprintf(stderr, "%s: %s\n", statement.toUtf8().constData(),
                         query.lastError().text().toUtf8().constData());
            return false;
        };
        const QString hash = QString::fromLatin1(fixtureList);
        done = db.open() && run(QStringLiteral("BEGIN")) &&
               run(QStringLiteral("CREATE TEMP TABLE n AS WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1"
                                  " FROM c WHERE i < %1) SELECT i FROM c")
                       .arg(games - 1)) &&
               run(QStringLiteral("INSERT INTO games (id, played_at, list_path, list_hash, list_name, speed, finished,"
                                  " practice, seconds, keys, mistakes) SELECT i + 1, strftime('%Y-%m-%dT%H:%M:%S.000Z',"
                                  " '2020-01-01', '+' || (i * 600) || ' seconds'), '/home/player/words/MSG.txt', '%1',"
                                  " 'ながいれきし', 1, 1, 0, 35 + abs(random()) % 60, 120 + abs(random()) % 80,"
                                  " abs(random()) % 12 FROM n")
                       .arg(hash)) &&
               // Correct keys and a score within what the store believes (the score's own formula aside).
               run(QStringLiteral("UPDATE games SET good_keys = keys - mistakes, score = (keys - mistakes) * 60 /"
                                  " seconds")) &&
               run(QStringLiteral("INSERT INTO game_words (game_id, position, word, answer, seconds, timed_out,"
                                  " mistakes) SELECT id, position, '言葉' || substr('%1', 1 + w % 50, 1) ||"
                                  " substr('%1', 1 + w / 50, 1), substr('%1', 1 + w % 46, 4), abs(random()) % 8,"
                                  " abs(random()) % 15 = 0, abs(random()) % 5 = 0 FROM (SELECT g.id AS id,"
                                  " p.i AS position, (g.id * 31 + p.i * 17) % 400 AS w FROM games g,"
                                  " (SELECT i FROM n WHERE i < 21) p)")
                       .arg(kana)) &&
               run(QStringLiteral("INSERT INTO game_kana (game_id, kana, typed, missed) SELECT g.id,"
                                  " substr('%1', k.i + 1, 1), 1 + abs(random()) % 4, abs(random()) % 6 = 0"
                                  " FROM games g, (SELECT i FROM n WHERE i < 50) k")
                       .arg(kana)) &&
               run(QStringLiteral("INSERT INTO list_words (list_hash, word, shown, missed, timed_out)"
                                  " SELECT g.list_hash, w.word, COUNT(*), SUM(w.mistakes > 0 OR w.timed_out = 1),"
                                  " SUM(w.timed_out) FROM games g JOIN game_words w ON w.game_id = g.id"
                                  " GROUP BY g.list_hash, w.word")) &&
               run(QStringLiteral("INSERT INTO list_kana (list_hash, kana, typed, missed) SELECT g.list_hash, k.kana,"
                                  " SUM(k.typed), SUM(k.missed) FROM games g JOIN game_kana k ON k.game_id = g.id"
                                  " GROUP BY g.list_hash, k.kana")) &&
               // Thirty letter and punctuation keys counted in every game, and three slips a game to a neighbour.
               run(QStringLiteral("CREATE TEMP TABLE kc AS SELECT i, CASE WHEN i < 10 THEN 24 + i WHEN i < 19 THEN"
                                  " 38 + i - 10 WHEN i < 28 THEN 52 + i - 19 WHEN i = 28 THEN 36 ELSE 20 END AS code"
                                  " FROM n WHERE i < 30")) &&
               run(QStringLiteral("INSERT INTO game_keys (game_id, keycode, expected, missed) SELECT g.id, kc.code,"
                                  " 4 + abs(random()) % 12, abs(random()) % 3 FROM games g, kc")) &&
               run(QStringLiteral("INSERT INTO game_confusions (game_id, expected_keycode, hit_keycode, count)"
                                  " SELECT g.id, kc.code, kc.code + 1, 1 + abs(random()) % 2 FROM games g, kc"
                                  " WHERE kc.i < 28 AND (g.id + kc.i) % 10 = 0")) &&
               run(QStringLiteral("INSERT INTO list_keys (list_hash, speed, typing_style, keycode, expected, missed)"
                                  " SELECT g.list_hash, g.speed, g.typing_style, k.keycode, SUM(k.expected),"
                                  " SUM(k.missed) FROM games g JOIN game_keys k ON k.game_id = g.id"
                                  " GROUP BY g.list_hash, g.speed, g.typing_style, k.keycode")) &&
               run(QStringLiteral("INSERT INTO list_confusions (list_hash, speed, typing_style, expected_keycode,"
                                  " hit_keycode, count) SELECT g.list_hash, g.speed, g.typing_style,"
                                  " c.expected_keycode, c.hit_keycode, SUM(c.count) FROM games g JOIN game_confusions"
                                  " c ON c.game_id = g.id GROUP BY g.list_hash, g.speed, g.typing_style,"
                                  " c.expected_keycode, c.hit_keycode")) &&
               !records::fillCharts(db).isValid() && run(QStringLiteral("COMMIT")) &&
               run(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

} // namespace

QString historyOfGames(int games)
{
    // Beside the benchmark programs (build-bench/records-fixtures), named by the schema they were made for.
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../records-fixtures");
    const QString kept =
        folder + QStringLiteral("/history-v%1-keys-%2-games.sqlite3").arg(records::currentVersion).arg(games);
    if (!QFile::exists(kept)) {
        QElapsedTimer clock;
        clock.start();
        QDir().mkpath(folder);
        const QString partial = kept + QStringLiteral(".partial");
        QFile::remove(partial);
        if (!build(partial, games) || !QFile::rename(partial, kept))
            return {};
        std::fprintf(stderr, "wrote a history of %d games in %.1f s (%lld bytes)\n", games, clock.elapsed() / 1000.0,
                     static_cast<long long>(QFile(kept).size()));
    }
    static QTemporaryDir copies;
    const QString copy = copies.filePath(QStringLiteral("history-%1.sqlite3").arg(games));
    if (!QFile::exists(copy) && !QFile::copy(kept, copy))
        return {};
    return copy;
}

} // namespace fururupo::bench
