// The history kept per way of typing: bests and charts apart for romaji, kana and input-method games, the score kept
// with each game, the key slips and their totals, and a file of the third version brought up to date on disk.
#include "player/records_store.h"

#include "logic/game_results.h"
#include "player/records_test_support.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <tuple>
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
using enum KeyboardKey;

const QByteArray list("list");

QString qPath(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

GameRecord gameIn(TypingStyle style, SpeedLevel speed, int seconds, int keys, int day)
{
    GameRecord game = sampleGame(list, speed, seconds);
    game.style = style;
    game.keys = keys;
    game.goodKeys = keys - 20;
    game.mistakes = 10;
    game.playedAt = firstDay.addDays(day);
    return game;
}

// A kana game of 280 keys and a romaji game of 400 type the same words: neither may stand as the other's best.
TEST(RecordsStoreStyles, BestsChartsAndScoresAreKeptApartForEachWayOfTyping)
{
    TempFolder temp;
    RecordsStore store(qPath(temp.path() / "records.sqlite3"));
    EXPECT_EQ(store.lastStyle(list, SpeedLevel::Normal), std::nullopt);
    ASSERT_TRUE(store.save(gameIn(TypingStyle::Romaji, SpeedLevel::Normal, 100, 400, 1)));
    ASSERT_TRUE(store.save(gameIn(TypingStyle::Kana, SpeedLevel::Normal, 120, 280, 2)));
    ASSERT_TRUE(store.save(gameIn(TypingStyle::Kana, SpeedLevel::Normal, 130, 280, 3)));
    ASSERT_TRUE(store.save(gameIn(TypingStyle::InputMethod, SpeedLevel::Normal, 90, 300, 4)));
    EXPECT_EQ(store.lastStyle(list, SpeedLevel::Normal), TypingStyle::InputMethod);
    EXPECT_EQ(store.lastStyle(list, SpeedLevel::Fast), std::nullopt);

    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Romaji), 100);
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Kana), 120);
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::InputMethod), 90);
    EXPECT_EQ(store.best(list, SpeedLevel::Fast, TypingStyle::Kana), std::nullopt);

    const History kana = store.history(list, SpeedLevel::Normal, TypingStyle::Kana);
    EXPECT_EQ(kana.games, 2);
    ASSERT_EQ(kana.best.size(), 2u);
    EXPECT_EQ(kana.best[0].counts.seconds, 120);
    // 260 correct keys in 120 s at 270 of 280 right: 130 × 0.964³ = 116.6.
    const GameCounts first{120, 280, 260, 10};
    EXPECT_EQ(kana.best[0].score, first.score());
    EXPECT_EQ(kana.best[0].score, 117);
    ASSERT_EQ(kana.chart.size(), 2u);
    EXPECT_DOUBLE_EQ(kana.chart[0].score.sum, 117);
    EXPECT_EQ(kana.bestScore, 117); // the slower game of the same keys scores less
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 1);

    // The kana and words a player misses belong to the list whatever the way.
    const auto missedWords = [&](TypingStyle style) {
        std::vector<std::u16string> words;
        for (const WordMisses& word : store.history(list, SpeedLevel::Normal, style).words)
            words.push_back(word.word);
        return words;
    };
    EXPECT_FALSE(missedWords(TypingStyle::Romaji).empty());
    EXPECT_EQ(missedWords(TypingStyle::InputMethod), missedWords(TypingStyle::Romaji));

    ASSERT_TRUE(store.save(gameIn(TypingStyle::Romaji, SpeedLevel::Normal, 100, 400, 5)));
    EXPECT_EQ(store.lastStyle(list, SpeedLevel::Normal), TypingStyle::Romaji);
}

// The keyboard map reads each key's totals for the list, speed and way, summed as the games are saved; a key or a
// slip a game gives twice counts once with both counts.
TEST(RecordsStoreStyles, KeySlipsAreKeptWithEachGameAndTotalledForTheListSpeedAndWay)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    RecordsStore store(file);
    GameRecord first = gameIn(TypingStyle::Romaji, SpeedLevel::Normal, 100, 400, 1);
    first.keyCounts = {{A, 10, 2}, {S, 5, 0}, {A, 4, 1}};
    first.confusions = {{A, S, 2}, {A, Q, 1}, {K, L, 1}, {A, S, 1}};
    GameRecord second = gameIn(TypingStyle::Romaji, SpeedLevel::Normal, 90, 400, 2);
    second.finished = false; // every game counts, finished or not
    second.keyCounts = {{A, 6, 1}};
    second.confusions = {{A, S, 1}, {J, K, 2}};
    GameRecord kana = gameIn(TypingStyle::Kana, SpeedLevel::Normal, 120, 280, 3);
    kana.keyCounts = {{T, 3, 1}};
    kana.confusions = {{T, G, 1}};
    GameRecord fast = gameIn(TypingStyle::Romaji, SpeedLevel::Fast, 60, 400, 4);
    fast.keyCounts = {{A, 100, 50}};
    for (const GameRecord& game : {first, second, kana, fast})
        ASSERT_TRUE(store.save(game));

    using Key = std::tuple<KeyboardKey, std::int64_t, std::int64_t>;
    using Slip = std::tuple<KeyboardKey, KeyboardKey, std::int64_t>;
    const auto keysOf = [](const History& history) {
        std::vector<Key> keys;
        for (const KeyMisses& key : history.keys)
            keys.emplace_back(key.key, key.expected, key.missed);
        return keys;
    };
    const auto slipsOf = [](const History& history) {
        std::vector<Slip> slips;
        for (const ConfusionCount& slip : history.confusions)
            slips.emplace_back(slip.expected, slip.hit, slip.count);
        return slips;
    };
    const History romaji = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    EXPECT_EQ(keysOf(romaji), (std::vector<Key>{{A, 20, 4}, {S, 5, 0}}));
    // Most first; on the same count by the expected key, in the keyboard's order.
    EXPECT_EQ(slipsOf(romaji), (std::vector<Slip>{{A, S, 4}, {J, K, 2}, {A, Q, 1}, {K, L, 1}}));
    const History typedInKana = store.history(list, SpeedLevel::Normal, TypingStyle::Kana);
    EXPECT_EQ(keysOf(typedInKana), (std::vector<Key>{{T, 3, 1}}));
    EXPECT_EQ(slipsOf(typedInKana), (std::vector<Slip>{{T, G, 1}}));
    EXPECT_EQ(keysOf(store.history(list, SpeedLevel::Fast, TypingStyle::Romaji)), (std::vector<Key>{{A, 100, 50}}));
    {
        // Each game keeps its own rows, by the keys' X keycodes (A is 38).
        RawFile raw(file);
        EXPECT_EQ(raw.count("SELECT expected * 100 + missed FROM game_keys WHERE game_id = 1 AND keycode = 38"), 1403);
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM game_confusions WHERE game_id = 1"), 3);
    }

    const std::vector<std::function<void(GameRecord&)>> impossible = {
        [](GameRecord& g) {
            g.keyCounts = {{static_cast<KeyboardKey>(200), 1, 0}};
        },
        [](GameRecord& g) {
            g.keyCounts = {{A, 1, 2}};
        },
        [](GameRecord& g) {
            g.keyCounts = {{A, -1, 0}};
        },
        [](GameRecord& g) {
            g.confusions = {{A, A, 1}};
        },
        [](GameRecord& g) {
            g.confusions = {{A, S, 0}};
        },
        [](GameRecord& g) { g.style = static_cast<TypingStyle>(3); },
        [](GameRecord& g) { g.goodKeys = g.keys - g.mistakes + 1; },
    };
    for (std::size_t i = 0; i < impossible.size(); ++i) {
        GameRecord game = gameIn(TypingStyle::Romaji, SpeedLevel::Normal, 100, 400, 9);
        impossible[i](game);
        EXPECT_FALSE(store.save(game)) << "case " << i;
        EXPECT_EQ(store.problem().kind, Kind::Impossible) << "case " << i;
    }

    ASSERT_TRUE(store.forgetList(list));
    EXPECT_TRUE(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).keys.empty());
    RawFile raw(file);
    EXPECT_EQ(raw.count("SELECT (SELECT COUNT(*) FROM game_keys) + (SELECT COUNT(*) FROM game_confusions) +"
                        " (SELECT COUNT(*) FROM list_keys) + (SELECT COUNT(*) FROM list_confusions)"),
              0);
}

// The third version of the file, as the game wrote it before ways of typing were kept: its games, its words and a
// chart of each list and speed.
void writeThirdVersion(const QString& file, const std::vector<QString>& extra = {})
{
    RawFile raw(file);
    std::vector<QString> statements = {
        "CREATE TABLE games (id INTEGER PRIMARY KEY, played_at TEXT, list_path TEXT, list_hash TEXT, list_name TEXT,"
        " speed INTEGER, finished INTEGER, seconds INTEGER, keys INTEGER, mistakes INTEGER)",
        "CREATE TABLE game_words (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
        " position INTEGER NOT NULL, word TEXT, answer TEXT, seconds INTEGER, timed_out INTEGER, mistakes INTEGER,"
        " PRIMARY KEY (game_id, position)) WITHOUT ROWID",
        "ALTER TABLE games ADD COLUMN practice INTEGER NOT NULL DEFAULT 0",
        "CREATE TABLE game_kana (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
        " kana TEXT NOT NULL, typed INTEGER, missed INTEGER, PRIMARY KEY (game_id, kana)) WITHOUT ROWID",
        "CREATE TABLE list_words (list_hash TEXT NOT NULL, word TEXT NOT NULL, shown INTEGER, missed INTEGER,"
        " timed_out INTEGER, PRIMARY KEY (list_hash, word)) WITHOUT ROWID",
        "CREATE TABLE list_kana (list_hash TEXT NOT NULL, kana TEXT NOT NULL, typed INTEGER, missed INTEGER,"
        " PRIMARY KEY (list_hash, kana)) WITHOUT ROWID",
        "CREATE TABLE chart_buckets (list_hash TEXT NOT NULL, speed INTEGER NOT NULL, position INTEGER NOT NULL,"
        " span INTEGER, games INTEGER, seconds_sum REAL, seconds_low REAL, seconds_high REAL, kpm_sum REAL,"
        " kpm_low REAL, kpm_high REAL, accuracy_sum REAL, accuracy_low REAL, accuracy_high REAL,"
        " PRIMARY KEY (list_hash, speed, position)) WITHOUT ROWID",
        "CREATE INDEX games_by_record ON games (list_hash, speed, finished, practice, seconds, played_at, id)",
        // id, day, finished, seconds, keys, mistakes, practice. Romaji takes at least a key for each character of
        // an answer and one to answer: 6 characters and 3 answers are at least 9 keys.
        "INSERT INTO games VALUES (1, '2025-05-01T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 100, 60, 5, 0)",
        // Through an input method: a commit and an Enter a word, 8 keys for 12 characters in 3 answers.
        "INSERT INTO games VALUES (2, '2025-05-02T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 80, 8, 1, 0)",
        // Exactly the fewest keys romaji can take.
        "INSERT INTO games VALUES (3, '2025-05-03T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 90, 9, 0, 0)",
        // Left early: a word out of time was not answered, and its characters do not count.
        "INSERT INTO games VALUES (4, '2025-05-04T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 0, 20, 3, 0, 0)",
        "INSERT INTO games VALUES (5, '2025-05-05T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 50, 4, 0, 1)",
        // Impossible: more mistakes than keys.
        "INSERT INTO games VALUES (6, '2025-05-06T10:00:00.000Z', '/l.txt', 'list', 'l', 1, 1, 10, 4, 9, 0)",
        "INSERT INTO chart_buckets VALUES ('list', 1, 0, 1, 1, 999, 999, 999, 50, 50, 50, 90, 90, 90)",
        "PRAGMA user_version = 3",
    };
    const std::map<int, std::vector<std::pair<QString, bool>>> words = {
        {1, {{"ねこ", false}, {"いぬ", false}, {"とり", false}}},
        {2, {{"しゃしん", false}, {"がっこう", false}, {"でんしゃ", false}}},
        {3, {{"ねこ", false}, {"いぬ", false}, {"とり", false}}},
        {4, {{"ねこ", false}, {"がっこう", true}}},
        {5, {{"ねこ", false}, {"いぬ", false}}},
        {6, {{"ねこ", false}}},
    };
    for (const auto& [game, answers] : words) {
        int position = 0;
        for (const auto& [answer, timedOut] : answers)
            statements.push_back(QStringLiteral("INSERT INTO game_words VALUES (%1, %2, '%3', '%3', 3, %4, 0)")
                                     .arg(game)
                                     .arg(position++)
                                     .arg(answer)
                                     .arg(timedOut ? 1 : 0));
    }
    statements.insert(statements.end(), extra.begin(), extra.end());
    for (const QString& statement : statements)
        ASSERT_TRUE(raw.exec(statement)) << statement.toStdString();
}

TEST(RecordsStoreSchema, AThirdVersionFileKeepsItsGamesWithTheirWaysCorrectKeysScoresAndCharts)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    writeThirdVersion(file);
    RecordsStore store(file);
    EXPECT_EQ(store.lastStyle(list, SpeedLevel::Normal), TypingStyle::InputMethod); // game 5; 6 is impossible
    EXPECT_EQ(store.status(), Status::Ready);
    {
        RawFile raw(file);
        EXPECT_EQ(raw.count("PRAGMA user_version"), 4);
        for (const auto& [id, style, goodKeys, seconds, keys, mistakes] :
             std::vector<std::tuple<int, int, int, int, int, int>>{{1, 0, 55, 100, 60, 5},
                                                                   {2, 2, 7, 80, 8, 1},
                                                                   {3, 0, 9, 90, 9, 0},
                                                                   {4, 0, 3, 20, 3, 0},
                                                                   {5, 2, 4, 50, 4, 0}}) {
            SCOPED_TRACE(id);
            const QString where = QStringLiteral(" FROM games WHERE id = %1").arg(id);
            EXPECT_EQ(raw.count("SELECT typing_style" + where), style);
            EXPECT_EQ(raw.count("SELECT good_keys" + where), goodKeys);
            EXPECT_EQ(raw.count("SELECT score" + where), (GameCounts{seconds, keys, goodKeys, mistakes}.score()));
        }
        EXPECT_TRUE(raw.value("SELECT good_keys FROM games WHERE id = 6").isNull());
        // The old chart went; each way's chart was built from its games.
        EXPECT_EQ(raw.count("SELECT COUNT(*) FROM chart_buckets WHERE seconds_sum = 999"), 0);
    }
    const History romaji = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    ASSERT_EQ(romaji.chart.size(), 2u);
    EXPECT_DOUBLE_EQ(romaji.chart[0].seconds.sum, 100);
    EXPECT_DOUBLE_EQ(romaji.chart[1].seconds.sum, 90);
    EXPECT_DOUBLE_EQ(romaji.chart[0].keysPerMinute.sum, 33); // 55 keys that were no mistake, in 100 s
    EXPECT_DOUBLE_EQ(romaji.chart[0].score.sum, (GameCounts{100, 60, 55, 5}.score()));
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Romaji), 90);
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::InputMethod), 80);
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::InputMethod).games, 1);
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Kana).games, 0);
    // The words' totals were the third version's own, and stay.
    ASSERT_TRUE(store.save(gameIn(TypingStyle::Kana, SpeedLevel::Normal, 70, 200, 30)));
    EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Kana), 70);
}

// The migration is one transaction: when any of it fails, the file stays as the third version left it, every game
// and column in place, and nothing is kept this run.
TEST(RecordsStoreSchema, AMigrationThatFailsLeavesTheThirdVersionWhole)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    // A table of the fourth version already there, made by hand, fails the migration half-way.
    writeThirdVersion(file, {"CREATE TABLE list_keys (anything)"});
    {
        RecordsStore store(file);
        EXPECT_EQ(store.best(list, SpeedLevel::Normal, TypingStyle::Romaji), std::nullopt);
        EXPECT_EQ(store.status(), Status::Unavailable);
        EXPECT_EQ(store.problem().kind, Kind::Unopenable);
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    }
    RawFile raw(file);
    EXPECT_EQ(raw.count("PRAGMA user_version"), 3);
    EXPECT_EQ(raw.count("SELECT COUNT(*) FROM games"), 6);
    EXPECT_EQ(raw.count("SELECT COUNT(*) FROM pragma_table_info('games') WHERE name = 'typing_style'"), 0);
    EXPECT_EQ(raw.count("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('game_keys', 'games_by_list')"), 0);
    EXPECT_EQ(raw.count("SELECT COUNT(*) FROM chart_buckets WHERE seconds_sum = 999"), 1);
}

} // namespace
} // namespace fururupo
