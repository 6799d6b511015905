// The 成績 window's first opening on histories of 1,000, 10,000 and 100,000 games side by side: a new store on the
// file, the window built, shown and painted; beside it the same window on a list with no games, the window with no
// file at all, and a plain window of its size. And on 10,000 games, the window with its key map against the same
// window with the map's row hidden, side by side. The histories are written once and kept (bench/records_fixture.h).
#include "player/records_store.h"
#include "records_fixture.h"
#include "screens/application.h"
#include "screens/key_miss_map.h"
#include "screens/progress_chart.h"
#include "screens/records_screen.h"
#include "window_bench_support.h"

#include <QLabel>
#include <QTreeWidget>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace fururupo;
using fururupo::bench::closeAndDelete;
using fururupo::bench::showAndCloseEmptyWindow;
using fururupo::bench::waitUntilExposed;

namespace {

const QByteArray emptyList = QByteArray(64, 'd');

// Floor: an empty window of the same size, shown until painted, then closed and deleted.
void BM_PlainWindow_ShowClose(benchmark::State& state)
{
    for (auto _ : state)
        showAndCloseEmptyWindow();
}
BENCHMARK(BM_PlainWindow_ShowClose)->Unit(benchmark::kMillisecond);

// The part of an opening that the clock times: the window built on the store, shown and painted. Its own function,
// so that callgrind can count it alone (--toggle-collect='*openedAndPainted*').
//
// With keyMap false, the key map and the slips list are hidden (headings and all) before the window shows, their room
// kept empty so that the chart and the lists keep the sizes they have beside them: the window without them, but for
// filling them, which costs a few dozen rows the store reads either way.
[[gnu::noinline]] RecordsScreen* openedAndPainted(RecordsStore& store, const QByteArray& list, bool keyMap)
{
    auto* window = new RecordsScreen(store, list, QStringLiteral("ながいれきし"), SpeedLevel::Normal);
    if (!keyMap) {
        for (const char* name : {"keyMissMap", "keyMissMapHeading", "keyConfusions", "keyConfusionsHeading"}) {
            auto* part = window->findChild<QWidget*>(QString::fromLatin1(name));
            QSizePolicy keepsItsRoom = part->sizePolicy();
            keepsItsRoom.setRetainSizeWhenHidden(true);
            part->setSizePolicy(keepsItsRoom);
            part->hide();
        }
    }
    window->show();
    waitUntilExposed(*window);
    return window;
}

// What opening the window costs the player the first time in a run: a store on the file, as the game holds it
// (opened on the window's first read), the window built, shown and painted. Closing the window and putting the store
// away are outside the clock.
void firstOpening(benchmark::State& state, const QString& file, const QByteArray& list, std::int64_t expectedGames,
                  bool keyMap = true)
{
    std::int64_t games = -1;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<RecordsStore>(file);
        state.ResumeTiming();
        RecordsScreen* window = openedAndPainted(*store, list, keyMap);
        state.PauseTiming();
        games = window->findChild<ProgressChart*>(QStringLiteral("progressChart"))->games();
        closeAndDelete(window);
        store.reset();
        state.ResumeTiming();
    }
    if (games < expectedGames)
        state.SkipWithError(("the chart showed " + std::to_string(games) + " games").c_str());
}

void BM_RecordsWindow_FirstOpening(benchmark::State& state)
{
    const int games = static_cast<int>(state.range(0));
    firstOpening(state, bench::historyOfGames(games), bench::fixtureList, games);
}
BENCHMARK(BM_RecordsWindow_FirstOpening)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The key map's cost: the window on 10,000 games with the map and the slips list, and without them, alternately in
// one run (run with --benchmark_filter=KeyMap --benchmark_repetitions=N).
void BM_RecordsWindow_FirstOpening_WithKeyMap(benchmark::State& state)
{
    firstOpening(state, bench::historyOfGames(10'000), bench::fixtureList, 10'000, true);
}
void BM_RecordsWindow_FirstOpening_WithoutKeyMap(benchmark::State& state)
{
    firstOpening(state, bench::historyOfGames(10'000), bench::fixtureList, 10'000, false);
}
BENCHMARK(BM_RecordsWindow_FirstOpening_WithoutKeyMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordsWindow_FirstOpening_WithKeyMap)->Unit(benchmark::kMillisecond);

// One paint of the key map of 10,000 games, at the size the window gives it.
void BM_KeyMissMap_Paint(benchmark::State& state)
{
    RecordsStore store(bench::historyOfGames(10'000));
    const History history = store.history(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji);
    KeyMissMap map;
    map.resize(480, 200);
    map.setCounts(history.keys, history.confusions);
    for (auto _ : state)
        benchmark::DoNotOptimize(map.grab());
    if (history.keys.size() < 30 || history.confusions.empty())
        state.SkipWithError("the history held no keys");
}
BENCHMARK(BM_KeyMissMap_Paint)->Unit(benchmark::kMillisecond);

// The file of 100,000 games, a list with no games: the window and the store's queries without rows to show.
void BM_RecordsWindow_FirstOpening_EmptyList(benchmark::State& state)
{
    firstOpening(state, bench::historyOfGames(100'000), emptyList, 0);
}
BENCHMARK(BM_RecordsWindow_FirstOpening_EmptyList)->Unit(benchmark::kMillisecond);

// The window with no file: its own cost (the design, the fonts, the lists).
void BM_RecordsWindow_FirstOpening_NoFile(benchmark::State& state)
{
    firstOpening(state, QString(), bench::fixtureList, 0);
}
BENCHMARK(BM_RecordsWindow_FirstOpening_NoFile)->Unit(benchmark::kMillisecond);

// One paint of the chart with the four series of the history of 100,000 games (at most 512 runs of games each), the
// accuracy in its own panel.
void BM_ProgressChart_Paint(benchmark::State& state)
{
    RecordsStore store(bench::historyOfGames(static_cast<int>(state.range(0))));
    const History history = store.history(bench::fixtureList, SpeedLevel::Normal, TypingStyle::Romaji);
    ProgressChart chart;
    chart.resize(504, 300);
    chart.setSeries(
        {{QStringLiteral("記録（秒）"), QColor(215, 50, 140),
          ProgressChart::pointsOf(history.chart, &ProgressBucket::seconds), ProgressChart::Axis::Left},
         {QStringLiteral("打/分"), QColor(0, 130, 200),
          ProgressChart::pointsOf(history.chart, &ProgressBucket::keysPerMinute), ProgressChart::Axis::Right},
         {QStringLiteral("スコア"), QColor(230, 130, 20),
          ProgressChart::pointsOf(history.chart, &ProgressBucket::score), ProgressChart::Axis::Right},
         {QStringLiteral("正確さ"), QColor(60, 150, 50),
          ProgressChart::pointsOf(history.chart, &ProgressBucket::accuracy), ProgressChart::Axis::Percent}});
    for (auto _ : state)
        benchmark::DoNotOptimize(chart.grab());
    if (chart.games() < state.range(0))
        state.SkipWithError("the chart did not hold the games asked for");
}
BENCHMARK(BM_ProgressChart_Paint)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Application app(argc, argv);
    setUpRuntime(app);
    // Every history is made (or found) before the first figure, so that making one never lands in another's time.
    for (int games : {1'000, 10'000, 100'000})
        if (bench::historyOfGames(games).isEmpty())
            return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    deleteAllWindows();
    return 0;
}
