#include "player/records_store.h"

#include "player/player_test_support.h"
#include "player/records_test_support.h"
#include "support/temp_files.h"

#include <QCryptographicHash>
#include <QSqlDatabase>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fururupo {
namespace {

namespace fs = std::filesystem;
using testing::firstDay;
using testing::RawFile;
using testing::sampleGame;
using testing::TempFolder;
using Status = RecordsStore::Status;
using Kind = RecordsProblem::Kind;
using Action = RecordsProblem::Action;

const QByteArray list("list");
const QByteArray otherList("other");

QString qPath(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

std::string utf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

GameRecord gameAt(SpeedLevel speed, int seconds, int day, bool finished = true, bool practice = false)
{
    GameRecord game = sampleGame(list, speed, seconds, "list", finished, practice);
    game.playedAt = firstDay.addDays(day);
    return game;
}

// A game whose only interest is its words and kana, given as (word, mistakes, timed out) and (kana, typed, missed).
GameRecord gameOf(const QByteArray& hash, SpeedLevel speed, bool practice,
                  std::vector<std::tuple<std::u16string, int, bool>> words,
                  std::vector<std::tuple<std::u16string, int, int>> kana)
{
    GameRecord game = sampleGame(hash, speed, 100, "list", !practice, practice);
    game.words.clear();
    for (const auto& [word, mistakes, timedOut] : words)
        game.words.push_back({word, word, 2, timedOut, mistakes});
    game.kana.clear();
    for (const auto& [letter, typed, missed] : kana)
        game.kana.push_back({letter, typed, missed});
    return game;
}

TEST(RecordsStore, TouchesNothingUntilNeededThenCreatesItsFolderAndFile)
{
    TempFolder temp;
    const fs::path file = temp.path() / "data" / "fururupo" / "records.sqlite3";
    const QStringList connectionsBefore = QSqlDatabase::connectionNames();
    {
        RecordsStore store(qPath(file));
        RecordsStore second(qPath(file));
        EXPECT_EQ(store.status(), Status::Unopened);
        EXPECT_FALSE(fs::exists(file.parent_path()));
        EXPECT_EQ(QSqlDatabase::connectionNames(), connectionsBefore);

        EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
        EXPECT_TRUE(second.best(list, SpeedLevel::Normal, TypingStyle::Romaji).has_value());
        EXPECT_EQ(store.status(), Status::Ready);
        EXPECT_TRUE(fs::exists(file));
        EXPECT_EQ(store.problem(), RecordsProblem{});
        // The background check of the file, if any, has its own connection for as long as it runs.
        store.waitForCheck();
        second.waitForCheck();
        EXPECT_EQ(QSqlDatabase::connectionNames().size(), connectionsBefore.size() + 2);
    }
    EXPECT_EQ(QSqlDatabase::connectionNames(), connectionsBefore);
    RecordsStore none{QString()};
    EXPECT_FALSE(none.save(sampleGame(list, SpeedLevel::Normal, 100)));
    EXPECT_EQ(none.status(), Status::Unavailable);
}

TEST(RecordsStore, HistoryChartsTheFinishedGamesOfItsListAndSpeedInTheOrderKeptWithTheirRates)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    {
        RecordsStore store(file);
        EXPECT_TRUE(store.save(gameAt(SpeedLevel::Normal, 120, 2)));
        EXPECT_TRUE(store.save(gameAt(SpeedLevel::Normal, 100, 1)));
        EXPECT_TRUE(store.save(gameAt(SpeedLevel::Normal, 50, 3, true, true))); // practice
        EXPECT_TRUE(store.save(gameAt(SpeedLevel::Normal, 10, 4, false)));      // left early
        EXPECT_TRUE(store.save(gameAt(SpeedLevel::Fast, 80, 5)));
        GameRecord other = gameAt(SpeedLevel::Normal, 60, 6);
        other.listHash = otherList;
        EXPECT_TRUE(store.save(other));
        GameRecord idle = gameAt(SpeedLevel::Slow, 0, 7);
        idle.keys = 0;
        idle.goodKeys = 0;
        idle.mistakes = 0;
        EXPECT_TRUE(store.save(idle));
    }
    RecordsStore store(file);
    const History normal = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(normal.games, 2);
    ASSERT_EQ(normal.chart.size(), 2u);
    EXPECT_EQ(normal.chart[0].games, 1);
    EXPECT_EQ(normal.chart[0].seconds.sum, 120);
    EXPECT_EQ(normal.chart[1].seconds.sum, 100);
    EXPECT_DOUBLE_EQ(normal.chart[1].keysPerMinute.sum, 111.0); // 185 correct keys in 100 s
    EXPECT_DOUBLE_EQ(normal.chart[1].accuracy.sum, 95.0);       // 10 of 200 were mistakes
    EXPECT_DOUBLE_EQ(normal.chart[1].score.sum, 95.0);          // 111 × 0.95³ = 95.2
    EXPECT_DOUBLE_EQ(normal.chart[0].score.sum, 79.0);          // 92.5 × 0.95³ = 79.3
    EXPECT_EQ(normal.bestScore, 95);
    ASSERT_EQ(normal.best.size(), 2u);
    EXPECT_EQ(normal.best[0].counts.seconds, 100);
    EXPECT_EQ(normal.best[0].playedAt, firstDay.addDays(1));
    EXPECT_DOUBLE_EQ(normal.best[0].counts.keysPerMinute(), 111.0);
    EXPECT_DOUBLE_EQ(normal.best[0].counts.accuracy(), 95.0);
    EXPECT_EQ(normal.best[0].score, 95);
    EXPECT_EQ(normal.skipped, 0);
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Romaji), 100);
    EXPECT_EQ(store.best(list, SpeedLevel::Fast, TypingStyle::Romaji), 80);
    EXPECT_EQ(store.best(otherList, SpeedLevel::Normal, TypingStyle::Romaji), 60);
    EXPECT_EQ(store.best(QByteArray("never played"), SpeedLevel::Normal, TypingStyle::Romaji), std::nullopt);

    const History slow = store.history(list, SpeedLevel::Slow, TypingStyle::Romaji);
    ASSERT_EQ(slow.best.size(), 1u);
    EXPECT_EQ(slow.best[0].counts.keysPerMinute(), 0.0);
    EXPECT_EQ(slow.best[0].counts.accuracy(), 100.0);
    EXPECT_EQ(slow.best[0].score, 0);
    ASSERT_EQ(slow.chart.size(), 1u);
    EXPECT_EQ(slow.chart[0].accuracy.high, 100.0);
}

TEST(RecordsStore, BestHoldsTheTenFewestSecondsEarlierFirstOnATie)
{
    TempFolder temp;
    RecordsStore store(qPath(temp.path() / "records.sqlite3"));
    const int seconds[] = {90, 40, 75, 40, 60, 95, 55, 70, 65, 80, 85, 50};
    for (int day = 0; day < 12; ++day)
        ASSERT_TRUE(store.save(gameAt(SpeedLevel::Normal, seconds[day], day)));
    const History history = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    ASSERT_EQ(history.games, 12);
    std::vector<std::pair<int, int>> best; // seconds, day
    for (const GamePoint& game : history.best)
        best.emplace_back(game.counts.seconds, static_cast<int>(firstDay.daysTo(game.playedAt)));
    EXPECT_EQ(best, (std::vector<std::pair<int, int>>{
                        {40, 1}, {40, 3}, {50, 11}, {55, 6}, {60, 4}, {65, 8}, {70, 7}, {75, 2}, {80, 9}, {85, 10}}));
}

TEST(RecordsStore, KanaAndWordsRankOverEveryGameOfTheListAndNoOther)
{
    TempFolder temp;
    RecordsStore store(qPath(temp.path() / "records.sqlite3"));
    ASSERT_TRUE(store.save(gameOf(list, SpeedLevel::Normal, false,
                                  {{u"犬", 1, false}, {u"猫", 0, true}, {u"鳥", 0, false}, {u"魚", 2, false}},
                                  {{u"か", 4, 2}, {u"き", 2, 1}, {u"く", 1, 1}, {u"け", 10, 0}})));
    // A practice game at another speed, left early, counts for the list all the same.
    GameRecord practice =
        gameOf(list, SpeedLevel::Slow, true, {{u"犬", 1, true}, {u"猫", 0, false}, {u"魚", 0, true}, {u"蛙", 1, false}},
               {{u"か", 4, 2}, {u"こ", 3, 1}, {u"さ", 2, 1}});
    practice.finished = false;
    ASSERT_TRUE(store.save(practice));
    ASSERT_TRUE(store.save(gameOf(list, SpeedLevel::Fast, false, {{u"蛙", 3, false}}, {})));
    ASSERT_TRUE(store.save(gameOf(otherList, SpeedLevel::Normal, false, {{u"猫", 5, true}, {u"鳥", 1, true}},
                                  {{u"く", 1, 0}, {u"け", 1, 1}})));

    const History history = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> kana;
    for (const KanaMisses& k : history.kana)
        kana.emplace_back(utf8(k.kana), k.typed, k.missed);
    // Highest rate first; on the same rate more misses first, then kana order.
    EXPECT_EQ(kana, (std::vector<std::tuple<std::string, std::int64_t, std::int64_t>>{
                        {"く", 1, 1}, {"か", 8, 4}, {"き", 2, 1}, {"さ", 2, 1}, {"こ", 3, 1}}));

    std::vector<std::tuple<std::string, std::int64_t, std::int64_t, std::int64_t>> words;
    for (const WordMisses& w : history.words)
        words.emplace_back(utf8(w.word), w.shown, w.missed, w.timedOut);
    // Most missed first; on the same count more timed out first, then word order.
    EXPECT_EQ(words, (std::vector<std::tuple<std::string, std::int64_t, std::int64_t, std::int64_t>>{
                         {"犬", 2, 2, 1}, {"魚", 2, 2, 1}, {"蛙", 2, 2, 0}, {"猫", 2, 1, 1}}));
    EXPECT_EQ(store.missedWords(list, 2), (std::vector<std::u16string>{u"犬", u"魚"}));
    EXPECT_TRUE(store.missedWords(list, 0).empty());

    // Ten at most of each.
    std::vector<std::tuple<std::u16string, int, bool>> many;
    std::vector<std::tuple<std::u16string, int, int>> letters;
    for (char16_t c = u'ぁ'; c < u'ぁ' + 12; ++c) {
        many.emplace_back(std::u16string(1, c), 1, false);
        letters.emplace_back(std::u16string(1, c), 100, 1);
    }
    ASSERT_TRUE(store.save(gameOf(list, SpeedLevel::Normal, false, many, letters)));
    const History full = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(full.kana.size(), 10u);
    EXPECT_EQ(full.words.size(), 10u);
    EXPECT_EQ(store.missedWords(list, 100).size(), 16u);
}

TEST(RecordsStore, RefusesAGameWithoutWordsOrWithImpossibleValues)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    RecordsStore store(file);
    GameRecord empty = sampleGame(list, SpeedLevel::Normal, 100);
    empty.words.clear();
    EXPECT_FALSE(store.save(empty));
    EXPECT_EQ(store.problem(), RecordsProblem{});

    const std::vector<std::function<void(GameRecord&)>> impossible = {
        [](GameRecord& g) { g.keys = -1; },
        [](GameRecord& g) { g.mistakes = -1; },
        [](GameRecord& g) { g.mistakes = g.keys + 1; },
        [](GameRecord& g) { g.seconds = -5; },
        [](GameRecord& g) { g.playedAt = QDateTime(); },
        [](GameRecord& g) { g.speed = static_cast<SpeedLevel>(7); },
        [](GameRecord& g) { g.words[3].mistakes = -1; },
        [](GameRecord& g) { g.words[3].seconds = -1; },
        [](GameRecord& g) { g.words[3].word.clear(); },
        [](GameRecord& g) { g.words[3].word = std::u16string(300, u'あ'); },
        [](GameRecord& g) { g.kana[2].typed = -1; },
        [](GameRecord& g) { g.kana[2].missed = g.kana[2].typed + 1; },
        [](GameRecord& g) { g.kana[2].kana = u"あいうえお"; },
    };
    for (std::size_t i = 0; i < impossible.size(); ++i) {
        GameRecord game = sampleGame(list, SpeedLevel::Normal, 100);
        impossible[i](game);
        EXPECT_FALSE(store.save(game)) << "case " << i;
        EXPECT_EQ(store.problem().kind, Kind::Impossible) << "case " << i;
    }
    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    EXPECT_EQ(store.problem(), RecordsProblem{});
    EXPECT_EQ(RawFile(file).count("SELECT COUNT(*) FROM games"), 1);
}

TEST(RecordsStore, ForgettingDeletesTheGamesWithTheirWordsAndKanaAndKeepsTheFile)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    RecordsStore store(qPath(file));
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Fast, 90)));
    ASSERT_TRUE(store.save(sampleGame(otherList, SpeedLevel::Normal, 80)));

    EXPECT_TRUE(store.forgetList(list));
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 0);
    EXPECT_TRUE(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).chart.empty());
    EXPECT_TRUE(store.missedWords(list, 10).empty());
    EXPECT_EQ(store.best(otherList, SpeedLevel::Normal, TypingStyle::Romaji), 80);
    {
        RawFile raw(qPath(file));
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM game_words"), 21);
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM game_kana WHERE game_id NOT IN (SELECT id FROM games)"), 0);
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM list_words WHERE list_hash = 'list'"), 0);
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM list_kana WHERE list_hash = 'list'"), 0);
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM chart_buckets WHERE list_hash = 'list'"), 0);
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM chart_buckets"), 1);
    }
    EXPECT_TRUE(store.forgetAll());
    EXPECT_EQ(store.best(otherList, SpeedLevel::Normal, TypingStyle::Romaji), std::nullopt);
    EXPECT_TRUE(fs::exists(file));
    {
        RawFile raw(qPath(file));
        EXPECT_EQ(raw.count("SELECT (SELECT COUNT(*) FROM games) + (SELECT COUNT(*) FROM game_words) +"
                            " (SELECT COUNT(*) FROM game_kana) + (SELECT COUNT(*) FROM list_words) +"
                            " (SELECT COUNT(*) FROM list_kana) + (SELECT COUNT(*) FROM chart_buckets)"),
                  0);
    }
    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 70)));
}

// A chart whose runs are all full is paired up by the next game, in the same transaction, and keeps every game.
TEST(RecordsStore, AFullChartIsPairedUpByTheNextGame)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    RecordsStore store(file);
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    {
        RawFile raw(file);
        ASSERT_TRUE(raw.exec("BEGIN"));
        for (int position = 1; position < maxProgressBuckets; ++position)
            ASSERT_TRUE(
                raw.exec("INSERT INTO chart_buckets VALUES ('list', 1, 0, ?, 1, 1, ?, ?, ?, 60, 60, 60, 90, 90, 90,"
                         " 50, 50, 50)",
                         {position, position, position, position}));
        ASSERT_TRUE(raw.exec("COMMIT"));
    }
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 7)));
    const History history = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(history.games, maxProgressBuckets + 1);
    ASSERT_EQ(history.chart.size(), static_cast<std::size_t>(maxProgressBuckets / 2 + 1));
    EXPECT_EQ(history.chart[0].span, 2);
    EXPECT_DOUBLE_EQ(history.chart[0].seconds.sum, 100 + 1);
    EXPECT_DOUBLE_EQ(history.chart[1].seconds.low, 2);
    EXPECT_DOUBLE_EQ(history.chart[1].seconds.high, 3);
    EXPECT_EQ(history.chart.back().games, 1);
    EXPECT_DOUBLE_EQ(history.chart.back().seconds.sum, 7);
    EXPECT_EQ(history.skipped, 0);
}

// The first version of the file, as an earlier game wrote it: no practice games, no kana.
TEST(RecordsStoreSchema, AFirstVersionFileIsBroughtUpToDateKeepingItsGames)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    {
        RawFile raw(file);
        for (const char* statement : {
                 "CREATE TABLE games (id INTEGER PRIMARY KEY, played_at TEXT, list_path TEXT, list_hash TEXT,"
                 " list_name TEXT, speed INTEGER, finished INTEGER, seconds INTEGER, keys INTEGER, mistakes INTEGER)",
                 "CREATE INDEX games_by_list ON games (list_hash, speed, finished)",
                 "CREATE TABLE game_words (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
                 " position INTEGER NOT NULL, word TEXT, answer TEXT, seconds INTEGER, timed_out INTEGER,"
                 " mistakes INTEGER, PRIMARY KEY (game_id, position)) WITHOUT ROWID",
                 "INSERT INTO games VALUES (1, '2025-05-01T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 130, 300, 30)",
                 "INSERT INTO games VALUES (2, '2025-05-02T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 110, 300, 0)",
                 "INSERT INTO game_words VALUES (1, 0, '犬', 'いぬ', 4, 1, 0)",
                 "PRAGMA user_version = 1",
             })
            ASSERT_TRUE(raw.exec(statement)) << statement;
    }
    RecordsStore store(file);
    const History history = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(history.games, 2);
    ASSERT_EQ(history.chart.size(), 2u);
    EXPECT_EQ(history.chart[0].seconds.sum, 130);
    EXPECT_EQ(history.words.size(), 1u);
    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 90, "list", true, true)));
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Romaji), 110); // the practice game is no record
    EXPECT_EQ(store.status(), Status::Ready);
    RawFile raw(file);
    EXPECT_EQ(raw.count("PRAGMA user_version"), 4);
    EXPECT_EQ(raw.count("SELECT SUM(practice) FROM games"), 1);
    EXPECT_GT(raw.count("SELECT COUNT(*) FROM game_kana"), 0);
}

TEST(RecordsStoreSchema, AFileFromANewerVersionIsLeftByteForByteUntouched)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    {
        RawFile raw(qPath(file));
        ASSERT_TRUE(raw.exec("CREATE TABLE games (id INTEGER PRIMARY KEY, everything_else BLOB)"));
        ASSERT_TRUE(raw.exec("INSERT INTO games VALUES (1, x'00ff')"));
        ASSERT_TRUE(raw.exec("PRAGMA user_version = 5"));
    }
    const std::string bytes = testing::bytesOf(file);
    const auto written = fs::last_write_time(file);
    const auto names = testing::namesIn(temp.path());
    {
        RecordsStore store(qPath(file));
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
        EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 0);
        EXPECT_FALSE(store.forgetAll());
        EXPECT_EQ(store.status(), Status::NewerVersion);
        EXPECT_EQ(store.problem().kind, Kind::NewerVersion);
        EXPECT_EQ(store.problem().path, qPath(file));
    }
    EXPECT_EQ(testing::bytesOf(file), bytes);
    EXPECT_EQ(fs::last_write_time(file), written);
    EXPECT_EQ(testing::namesIn(temp.path()), names);
}

// A file edited by hand, or written by a faulty version, must not put nonsense on the chart nor crash the window.
TEST(RecordsStoreDistrust, ImpossibleRowsAreSkippedAndCountedAndTheGoodOnesShown)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    {
        RecordsStore store(file);
        ASSERT_TRUE(store.save(gameOf(list, SpeedLevel::Normal, false, {{u"犬", 1, false}}, {{u"い", 2, 1}})));
        ASSERT_TRUE(store.save(gameOf(list, SpeedLevel::Normal, false, {{u"猫", 0, true}}, {{u"ね", 1, 1}})));
    }
    const QString huge(1 << 20, u'あ');
    {
        RawFile raw(file);
        const QString insertGame =
            "INSERT INTO games (played_at, list_path, list_hash, list_name, speed, finished, practice, seconds, keys,"
            " mistakes, typing_style, good_keys, score) VALUES (?, '/l', 'list', 'l', ?, ?, 0, ?, ?, ?, ?, ?, ?)";
        const QVariant at("2026-02-01T10:00:00.000Z");
        // Each would be the record of 1 second if it were believed: played at, speed, finished, seconds, keys,
        // mistakes, way of typing, correct keys, score.
        const std::vector<std::vector<QVariant>> games = {
            {at, 1, 1, 1, -1, 0, 0, 0, 0},     {at, 7, 1, 1, 100, 0, 0, 0, 0},
            {at, 1, 1, -5, 100, 0, 0, 0, 0},   {at, 1, 1, 1000000000000LL, 100, 0, 0, 0, 0},
            {at, 1, 1, 1, 5, 6, 0, 0, 0},      {at, 1, 1, QVariant(), 100, 0, 0, 0, 0},
            {at, 1, 1, 1, "many", 0, 0, 0, 0}, {"yesterday", 1, 1, 1, 100, 0, 0, 0, 0},
            {huge, 1, 1, 1, 100, 0, 0, 0, 0},  {at, 1, 2, 1, 100, 0, 0, 0, 0},
            {at, 1, 1, 1, 100, 10, 0, 91, 0},  {at, 1, 1, 1, 100, 0, 0, 10, 601},
            {at, 1, 1, 0, 100, 0, 0, 10, 1},   {at, 1, 1, 1, 100, 0, 0, QVariant(), 0},
        };
        for (const auto& g : games)
            ASSERT_TRUE(raw.exec(insertGame, {g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8]}));
        // A way of typing that does not exist is of no history the window can ask for.
        ASSERT_TRUE(raw.exec(insertGame, {at, 1, 1, 1, 100, 0, 9, 0, 0}));
        // The words' and kana's totals of the list, each of which would top its ranking.
        const std::vector<std::vector<QVariant>> words = {
            {huge, 1, 1, 0},  {"", 1, 1, 0},      {"鳥1", -1, 0, 0},         {"鳥2", 2, 3, 0},
            {"鳥3", 2, 1, 2}, {"鳥4", "x", 1, 0}, {"鳥5", 9, QVariant(), 0},
        };
        for (const auto& w : words)
            ASSERT_TRUE(raw.exec("INSERT INTO list_words VALUES ('list', ?, ?, ?, ?)", {w[0], w[1], w[2], w[3]}));
        const std::vector<std::vector<QVariant>> kana = {
            {huge, 9, 9}, {"あいうえおか", 9, 9}, {"か", -1, 0}, {"き", 1, 5}, {"く", "x", 9},
        };
        for (const auto& k : kana)
            ASSERT_TRUE(raw.exec("INSERT INTO list_kana VALUES ('list', ?, ?, ?)", {k[0], k[1], k[2]}));
        // Buckets of the chart after the two good ones: more games than their span, lowest above highest, a mean
        // outside its range, a position past the last, a missing sum.
        // A score above its range.
        const std::vector<std::vector<QVariant>> buckets = {
            {2, 1, 2, 10, 5, 5, 50},  {3, 2, 2, 10, 6, 4, 50},         {4, 2, 2, 100, 5, 6, 50},
            {600, 1, 1, 5, 5, 5, 50}, {5, 1, 1, QVariant(), 5, 5, 50}, {6, 1, 1, 5, 5, 5, 1e9},
        };
        for (const auto& b : buckets)
            ASSERT_TRUE(raw.exec("INSERT INTO chart_buckets VALUES ('list', 1, 0, ?, ?, ?, ?, ?, ?, 100, 100, 100,"
                                 " 90, 90, 90, ?, ?, ?)",
                                 {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[6], b[6]}));
        // The keys' totals: a keycode of no key, one out of range, more misses than times expected, a key confused
        // with itself, a slip never made.
        for (const char* statement : {"INSERT INTO list_keys VALUES ('list', 1, 0, 8, 10, 1)",
                                      "INSERT INTO list_keys VALUES ('list', 1, 0, 300, 10, 1)",
                                      "INSERT INTO list_keys VALUES ('list', 1, 0, 38, 10, 11)",
                                      "INSERT INTO list_confusions VALUES ('list', 1, 0, 38, 38, 4)",
                                      "INSERT INTO list_confusions VALUES ('list', 1, 0, 38, 39, 0)"})
            ASSERT_TRUE(raw.exec(statement)) << statement;
    }
    RecordsStore store(file);
    const History history = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(history.games, 2);
    ASSERT_EQ(history.chart.size(), 2u);
    // The rows of the list, speed and way met on the way to the best (the games of another speed or way, or of an
    // impossible finished flag, are never read), the totals' rows, the buckets' and the keys'.
    EXPECT_EQ(history.skipped, 12 + 7 + 5 + 6 + 5);
    EXPECT_TRUE(history.keys.empty());
    EXPECT_TRUE(history.confusions.empty());
    ASSERT_EQ(history.best.size(), 2u);
    EXPECT_EQ(history.best[0].counts.seconds, 100);
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Romaji), 100);
    ASSERT_EQ(history.kana.size(), 2u);
    EXPECT_EQ(history.kana[0].kana, u"ね");
    EXPECT_EQ(history.kana[1].kana, u"い");
    EXPECT_EQ(store.missedWords(list, 10), (std::vector<std::u16string>{u"猫", u"犬"}));
    EXPECT_EQ(store.problem(), RecordsProblem{});

    // The next game's chart is built again from the rows that can be believed.
    ASSERT_TRUE(store.save(gameOf(list, SpeedLevel::Normal, false, {{u"犬", 0, false}}, {})));
    const History after = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(after.games, 3);
    EXPECT_EQ(after.chart.size(), 3u);
    EXPECT_EQ(after.skipped, 12 + 7 + 5 + 5);
}

} // namespace
} // namespace fururupo
