// The history of games on a real file on disk: one game saved, the 成績 window's queries over 10,000 games, and the
// file's growth for each game. Its own main, since Qt SQL loads its SQLite driver only with an application object.
#include "player/records_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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

// A file of 10,000 finished games of one list and speed, the most a window has to show, made once.
const QString& fileOfTenThousand()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fururupo-records-bench-XXXXXX"));
    static const QString file = [] {
        const QString path = folder.path() + QStringLiteral("/records.sqlite3");
        RecordsStore store(path);
        std::mt19937 random(1);
        for (int i = 0; i < 10000; ++i)
            store.save(realisticGame(random, i));
        return path;
    }();
    return file;
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

void BM_Records_History10000(benchmark::State& state)
{
    RecordsStore store(fileOfTenThousand());
    store.best(listHash, SpeedLevel::Normal);
    for (auto _ : state) {
        const History history = store.history(listHash, SpeedLevel::Normal);
        if (history.games.size() != 10000)
            state.SkipWithError("games missing");
        benchmark::DoNotOptimize(history);
    }
}
BENCHMARK(BM_Records_History10000)->Unit(benchmark::kMillisecond);

// What the window pays when it makes a store of its own: opening, the quick check of the whole file, and the history.
void BM_Records_OpenAndHistory10000(benchmark::State& state)
{
    for (auto _ : state) {
        RecordsStore store(fileOfTenThousand());
        benchmark::DoNotOptimize(store.history(listHash, SpeedLevel::Normal));
    }
}
BENCHMARK(BM_Records_OpenAndHistory10000)->Unit(benchmark::kMillisecond);

// Opening alone, most of it the quick check.
void BM_Records_Open10000(benchmark::State& state)
{
    for (auto _ : state) {
        RecordsStore store(fileOfTenThousand());
        benchmark::DoNotOptimize(store.best(QByteArray("no such list"), SpeedLevel::Normal));
    }
}
BENCHMARK(BM_Records_Open10000)->Unit(benchmark::kMillisecond);

void BM_Records_Best10000(benchmark::State& state)
{
    RecordsStore store(fileOfTenThousand());
    store.best(listHash, SpeedLevel::Normal);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.best(listHash, SpeedLevel::Normal));
}
BENCHMARK(BM_Records_Best10000)->Unit(benchmark::kMillisecond);

void BM_Records_MissedWords10000(benchmark::State& state)
{
    RecordsStore store(fileOfTenThousand());
    store.best(listHash, SpeedLevel::Normal);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.missedWords(listHash, 21));
}
BENCHMARK(BM_Records_MissedWords10000)->Unit(benchmark::kMillisecond);

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
