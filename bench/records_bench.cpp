// The history of games on a real file on disk: one game saved, the first save of a run and the 成績 window's first
// read at 1,000, 10,000 and 100,000 games side by side, and the file's growth for each game. Its own main, since Qt SQL
// loads its SQLite driver only with an application object.
#include "player/records_store.h"
#include "records_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace fururupo {
namespace {

const QByteArray listHash("9f2c1e0b7d3a5f8e6c4b2a1908f7e6d5c4b3a29181f0e9d8c7b6a5948372615a");

// A finished game as the game screen saves it: 21 words drawn from a list of 80, a mistake now and then, a word timed
// out now and then, and about 50 kana counted.
GameRecord realisticGame(std::mt19937& random, int serial)
{
    static const std::u16string kana =
        u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをんがぎぐげござじ";
    GameRecord game;
    game.playedAt = QDateTime(QDate(2026, 1, 1), QTime(8, 0), QTimeZone::utc()).addSecs(serial * 600);
    game.listPath = QStringLiteral("/home/player/.local/share/fururupo/lists/動物と果物.tsv");
    game.listName = QStringLiteral("動物と果物");
    game.listHash = listHash;
    game.speed = SpeedLevel::Normal;
    game.finished = true;
    game.seconds = 60 + static_cast<int>(random() % 120);
    game.keys = 250 + static_cast<int>(random() % 100);
    game.mistakes = static_cast<int>(random() % 30);
    for (int i = 0; i < 21; ++i) {
        const std::size_t word = random() % 80;
        std::u16string answer;
        for (int k = 0; k < 4; ++k)
            answer += kana[(word * 7 + static_cast<std::size_t>(k) * 3) % kana.size()];
        game.words.push_back({u"言葉" + answer.substr(0, 2), answer, static_cast<std::int32_t>(random() % 8),
                              random() % 15 == 0, static_cast<std::int32_t>(random() % 5 == 0)});
    }
    for (std::size_t i = 0; i < 50; ++i) {
        const int typed = 1 + static_cast<int>(random() % 4);
        game.kana.push_back({kana.substr(i, 1), typed, static_cast<int>(random() % 6 == 0)});
    }
    return game;
}

void BM_Records_SaveFinishedGame(benchmark::State& state)
{
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fururupo-records-bench-XXXXXX"));
    RecordsStore store(folder.path() + QStringLiteral("/records.sqlite3"));
    std::mt19937 random(2);
    int serial = 0;
    const GameRecord first = realisticGame(random, serial++);
    store.save(first);
    for (auto _ : state) {
        state.PauseTiming();
        const GameRecord game = realisticGame(random, serial++);
        state.ResumeTiming();
        if (!store.save(game))
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_Records_SaveFinishedGame)->Unit(benchmark::kMillisecond);

// The first save of a run on a history of as many games as the argument: a new store, the file opened (its schema
// read, its settings made) and one game saved in one transaction. The store is put away outside the clock, as the
// game does it at its end; the check of the whole file it started in the background is stopped then.
void BM_Records_FirstSaveOfARun(benchmark::State& state)
{
    const QString file = bench::historyOfGames(static_cast<int>(state.range(0)));
    if (file.isEmpty()) {
        state.SkipWithError("no history");
        return;
    }
    std::mt19937 random(4);
    int serial = 2'000'000;
    for (auto _ : state) {
        state.PauseTiming();
        GameRecord game = realisticGame(random, serial++);
        game.listHash = bench::fixtureList;
        auto store = std::make_unique<RecordsStore>(file);
        state.ResumeTiming();
        if (!store->save(game))
            state.SkipWithError("save failed");
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Records_FirstSaveOfARun)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The first read of a run for the 成績 window: a new store, the file opened and the history of the list and speed.
void BM_Records_FirstHistoryOfARun(benchmark::State& state)
{
    const QString file = bench::historyOfGames(static_cast<int>(state.range(0)));
    std::int64_t games = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<RecordsStore>(file);
        state.ResumeTiming();
        games = store->history(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji).games;
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    if (games < state.range(0))
        state.SkipWithError("games missing");
}
BENCHMARK(BM_Records_FirstHistoryOfARun)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The same on a store already open: the queries alone.
void BM_Records_History(benchmark::State& state)
{
    RecordsStore store(bench::historyOfGames(static_cast<int>(state.range(0))));
    store.best(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.history(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji));
}
BENCHMARK(BM_Records_History)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_Records_MissedWords(benchmark::State& state)
{
    RecordsStore store(bench::historyOfGames(static_cast<int>(state.range(0))));
    store.best(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.missedWords(bench::fixtureList, 21));
}
BENCHMARK(BM_Records_MissedWords)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Bringing a file of the previous version (no charts, no index by record) up to date, once in its life: the first call
// of the first run of this version.
void BM_Records_MigrationFromVersion2(benchmark::State& state)
{
    const QString kept = bench::historyOfGames(static_cast<int>(state.range(0)));
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fururupo-records-bench-XXXXXX"));
    const QString file = folder.path() + QStringLiteral("/records.sqlite3");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(file);
        QFile::copy(kept, file);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("downgrade"));
            db.setDatabaseName(file);
            db.open();
            QSqlQuery query(db);
            for (const char* statement :
                 {"DROP TABLE chart_buckets", "DROP INDEX games_by_record",
                  "CREATE INDEX games_by_list ON games (list_hash, speed, finished)", "PRAGMA user_version = 2"})
                query.exec(QString::fromLatin1(statement));
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("downgrade"));
        auto store = std::make_unique<RecordsStore>(file);
        state.ResumeTiming();
        if (store->best(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji) == std::nullopt)
            state.SkipWithError("no best after the migration");
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Records_MigrationFromVersion2)->Arg(100'000)->Iterations(2)->Unit(benchmark::kMillisecond);

// The check of the whole file, as the background thread runs it once a run, off the window's thread.
void BM_Records_BackgroundCheck(benchmark::State& state)
{
    const QString file = bench::historyOfGames(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RecordsStore store(file);
        store.best(QByteArray("no such list"), SpeedLevel::Normal, TypingStyle::Romaji);
        store.waitForCheck();
    }
}
BENCHMARK(BM_Records_BackgroundCheck)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The bytes the file grows by for each game, over 1,000 games saved one by one (the log folded back in at the end).
void BM_Records_FileGrowth1000(benchmark::State& state)
{
    double bytesPerGame = 0;
    for (auto _ : state) {
        QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fururupo-records-bench-XXXXXX"));
        const QString file = folder.path() + QStringLiteral("/records.sqlite3");
        {
            RecordsStore store(file);
            std::mt19937 random(3);
            for (int i = 0; i < 1000; ++i)
                store.save(realisticGame(random, i));
        }
        bytesPerGame = static_cast<double>(QFileInfo(file).size()) / 1000.0;
    }
    state.counters["bytes_per_game"] = bytesPerGame;
}
BENCHMARK(BM_Records_FileGrowth1000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace fururupo

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
