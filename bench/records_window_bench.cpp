// The 成績 window on a long history: built, shown and painted for the first time with 10,000 finished games of the
// list and speed it shows, beside the same window on an empty history and a plain window of its size. The history
// file is written once per run, through the store's own save, before any benchmark starts.
#include "player/records_store.h"
#include "screens/application.h"
#include "screens/progress_chart.h"
#include "screens/records_screen.h"
#include "window_bench_support.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

using namespace fururupo;
using fururupo::bench::closeAndDelete;
using fururupo::bench::showAndCloseEmptyWindow;
using fururupo::bench::waitUntilExposed;

namespace {

const QByteArray shownList = QByteArray(64, 'c');
const QByteArray emptyList = QByteArray(64, 'd');
constexpr int historyGames = 10'000;

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString historyFile()
{
    return folder().filePath(QStringLiteral("records.sqlite3"));
}

// Words made of our own syllables, so that the history has a few hundred different words and kana.
std::u16string wordNumber(std::uint32_t n)
{
    static const char16_t syllables[] = u"かきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもらりるれろ";
    constexpr std::uint32_t count = sizeof(syllables) / sizeof(syllables[0]) - 1;
    std::u16string word;
    for (int i = 0; i < 3; ++i) {
        word += syllables[n % count];
        n /= count;
    }
    return word;
}

// A fixed sequence, so every run saves the same history.
std::uint32_t nextNumber(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

GameRecord gameNumber(int number, std::uint32_t& state)
{
    GameRecord game;
    game.playedAt = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).addSecs(std::int64_t{number} * 600);
    game.listPath = QStringLiteral("/home/player/words/MSG.txt");
    game.listName = QStringLiteral("ながいれきし");
    game.listHash = shownList;
    game.speed = SpeedLevel::Normal;
    game.finished = true;
    game.seconds = 35 + static_cast<std::int32_t>(nextNumber(state) % 60);
    game.keys = 120 + static_cast<std::int32_t>(nextNumber(state) % 80);
    game.mistakes = static_cast<std::int32_t>(nextNumber(state) % 12);
    // One count per kana over the game, as the tally keeps them.
    std::map<char16_t, KanaCount> kana;
    for (int i = 0; i < 21; ++i) {
        const std::u16string word = wordNumber(nextNumber(state) % 400);
        const bool missed = nextNumber(state) % 6 == 0;
        game.words.push_back({word, word, 3, missed && nextNumber(state) % 3 == 0, missed ? 1 : 0});
        for (std::size_t at = 0; at < word.size(); ++at) {
            KanaCount& count = kana[word[at]];
            count.kana = std::u16string(1, word[at]);
            ++count.typed;
            count.missed += missed && at == 0 ? 1 : 0;
        }
    }
    for (auto& [character, count] : kana)
        game.kana.push_back(count);
    return game;
}

// Writes the history once: every game through save(), as the game itself would over the years.
bool prepareHistory()
{
    QElapsedTimer clock;
    clock.start();
    RecordsStore store(historyFile());
    std::uint32_t state = 12345;
    for (int number = 0; number < historyGames; ++number) {
        if (!store.save(gameNumber(number, state))) {
            std::fprintf(stderr, "saving game %d failed: %s\n", number,
                         QString::fromStdU16String(store.notice()).toUtf8().constData());
            return false;
        }
    }
    std::fprintf(stderr, "%d games saved in %.1f s\n", historyGames, clock.elapsed() / 1000.0);
    return true;
}

// Floor: an empty window of the same size, shown until painted, then closed and deleted.
void BM_PlainWindow_ShowClose(benchmark::State& state)
{
    for (auto _ : state)
        showAndCloseEmptyWindow();
}
BENCHMARK(BM_PlainWindow_ShowClose)->Unit(benchmark::kMillisecond);

// What opening the window costs the player: a store on the file as the title screen would hand it over (opened on
// the window's first read), the window built, shown and painted; closing it is counted too.
void recordsWindowOpen(benchmark::State& state, const QByteArray& list, int expectedGames)
{
    int games = -1;
    for (auto _ : state) {
        RecordsStore store(historyFile());
        auto* window = new RecordsScreen(store, list, QStringLiteral("ながいれきし"), SpeedLevel::Normal);
        window->show();
        waitUntilExposed(*window);
        games = window->findChild<ProgressChart*>(QStringLiteral("progressChart"))->games();
        closeAndDelete(window);
    }
    if (games != expectedGames)
        state.SkipWithError(("the chart showed " + std::to_string(games) + " games").c_str());
}

void BM_RecordsWindow_Open_10000Games(benchmark::State& state)
{
    recordsWindowOpen(state, shownList, historyGames);
}
BENCHMARK(BM_RecordsWindow_Open_10000Games)->Unit(benchmark::kMillisecond);

// The same file, a list with no games: the window and the store's queries without the chart's and lists' rows.
void BM_RecordsWindow_Open_EmptyList(benchmark::State& state)
{
    recordsWindowOpen(state, emptyList, 0);
}
BENCHMARK(BM_RecordsWindow_Open_EmptyList)->Unit(benchmark::kMillisecond);

// The window with no store at all: its own cost (the design, the fonts, the lists), without the file.
void BM_RecordsWindow_Open_NoStore(benchmark::State& state)
{
    RecordsStore none{QString()};
    for (auto _ : state) {
        auto* window = new RecordsScreen(none, shownList, QStringLiteral("ながいれきし"), SpeedLevel::Normal);
        window->show();
        waitUntilExposed(*window);
        closeAndDelete(window);
    }
}
BENCHMARK(BM_RecordsWindow_Open_NoStore)->Unit(benchmark::kMillisecond);

// The store's read alone, on an open store, for the part of the above that is the database's.
void BM_RecordsStore_History_10000Games(benchmark::State& state)
{
    RecordsStore store(historyFile());
    std::size_t games = 0;
    for (auto _ : state)
        games = store.history(shownList, SpeedLevel::Normal).games.size();
    if (games != historyGames)
        state.SkipWithError("the history did not hold every game");
}
BENCHMARK(BM_RecordsStore_History_10000Games)->Unit(benchmark::kMillisecond);

// One paint of the chart with three series of as many games as the argument, the first games of the history: the part
// of the window's first paint that is the drawing, and how it grows with the games.
void BM_ProgressChart_Paint(benchmark::State& state)
{
    RecordsStore store(historyFile());
    const History history = store.history(shownList, SpeedLevel::Normal);
    const auto games = std::min(history.games.size(), static_cast<std::size_t>(state.range(0)));
    std::vector<double> seconds, keys, accuracy;
    for (std::size_t game = 0; game < games; ++game) {
        seconds.push_back(history.games[game].seconds);
        keys.push_back(history.games[game].keysPerMinute);
        accuracy.push_back(history.games[game].accuracy);
    }
    ProgressChart chart;
    chart.resize(504, 300);
    chart.setSeries({{QStringLiteral("記録（秒）"), QColor(215, 50, 140), seconds, ProgressChart::Axis::Left},
                     {QStringLiteral("打/分"), QColor(0, 130, 200), keys, ProgressChart::Axis::Right},
                     {QStringLiteral("正確さ（%）"), QColor(60, 150, 50), accuracy, ProgressChart::Axis::Right}});
    for (auto _ : state)
        benchmark::DoNotOptimize(chart.grab());
    if (chart.games() != state.range(0))
        state.SkipWithError("the chart did not hold the games asked for");
}
BENCHMARK(BM_ProgressChart_Paint)->Arg(0)->Arg(50)->Arg(300)->Arg(historyGames)->Unit(benchmark::kMillisecond);

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
    if (!folder().isValid() || !prepareHistory())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    deleteAllWindows();
    return 0;
}
