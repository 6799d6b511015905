// How closely the game window's clocks keep to whole seconds. A game window is built on the full word file and left
// to run as in play: the countdown clock ticks 3, 2, 1, START and hands over to the word clock, and a scripted
// player types each word two ticks after it appears (20 words a minute, one short of the win, so the clock never
// stops). Each tick's arrival is read from the monotonic clock. A default QTimer (coarse) of the same interval,
// started at the same moment as the word clock, is the floor the figures are read against.
//
// Usage: fururupo_clock_accuracy [ticks] [--idle]
//   ticks   word-clock ticks to observe (60 unless given)
//   --idle  nobody types: the word times out and the clock ticks on through the time-up
#include "bench_word_file.h"
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/text_and_placement.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace fururupo;

namespace {

// Arrival times of the ticks of one clock, in nanoseconds of the monotonic clock, and when the clock was started.
struct Ticks
{
    std::string name;
    qint64 started = -1;
    std::vector<qint64> arrivals;
    std::size_t first = 1; // the first tick that counts in a summary

    // The same clock, its summary limited to ticks from..to (from 1).
    Ticks part(std::string label, std::size_t from, std::size_t to) const
    {
        Ticks slice{std::move(label), started, {arrivals.begin(), arrivals.begin() + static_cast<long>(to)}, from};
        return slice;
    }

    // Tick n (from 1) is due n intervals after the start; the offset is how late it came, in milliseconds.
    double offsetMs(std::size_t n, qint64 intervalNs) const
    {
        return static_cast<double>(arrivals[n - 1] - started - static_cast<qint64>(n) * intervalNs) / 1e6;
    }
};

struct Summary
{
    double maxAbs = 0;
    double mean = 0;
    double slope = 0; // least-squares slope of the offset over n, in ms per tick
};

Summary summarise(const Ticks& ticks, qint64 intervalNs)
{
    Summary s;
    if (ticks.arrivals.size() < ticks.first)
        return s;
    const std::size_t count = ticks.arrivals.size() - ticks.first + 1;
    double sumN = 0, sumO = 0, sumNN = 0, sumNO = 0;
    for (std::size_t n = ticks.first; n <= ticks.arrivals.size(); ++n) {
        const double offset = ticks.offsetMs(n, intervalNs);
        s.maxAbs = std::max(s.maxAbs, std::abs(offset));
        sumN += static_cast<double>(n);
        sumO += offset;
        sumNN += static_cast<double>(n * n);
        sumNO += static_cast<double>(n) * offset;
    }
    const double c = static_cast<double>(count);
    s.mean = sumO / c;
    const double denominator = c * sumNN - sumN * sumN;
    s.slope = denominator > 0 ? (c * sumNO - sumN * sumO) / denominator : 0;
    return s;
}

void printSummary(const Ticks& ticks, qint64 intervalNs)
{
    const Summary s = summarise(ticks, intervalNs);
    const std::size_t count = ticks.arrivals.size() + 1 - std::min(ticks.first, ticks.arrivals.size() + 1);
    std::printf("%-42s %3zu ticks   max |offset| %7.3f ms   mean %+7.3f ms", ticks.name.c_str(), count, s.maxAbs,
                s.mean);
    // A slope over a handful of ticks is noise, not drift.
    if (count >= 10)
        std::printf("   drift %+7.4f ms/tick (%+7.2f ms a minute)", s.slope, s.slope * 60.0 * 1e9 / intervalNs);
    std::printf("\n");
}

template <class T> T& child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "clock_accuracy: the game window has no %s\n", name);
        std::exit(2);
    }
    return *found;
}

} // namespace

// The window runs on Qt's offscreen platform unless the caller chose another, so the run needs no display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::size_t wanted = 60;
    bool idle = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--idle") == 0)
            idle = true;
        else if (std::atoi(argv[i]) > 0)
            wanted = static_cast<std::size_t>(std::atoi(argv[i]));
    }

    Application app(argc, argv);
    setUpRuntime(app);

    QElapsedTimer monotonic;
    // The countdown clock is (re)started as the last step of the game start, which the window's constructor runs.
    GameApp game(bench::fullWordFile().path.parent_path());
    auto* screen = new GameScreen(game.lists(), game.records(), game.sounds(), false, false, true, false);
    monotonic.start();
    Ticks countdownTicks{"Timer1 (countdown), from game start", 0, {}};
    Ticks wordTicks{idle ? "Timer2 (word clock), nobody typing" : "Timer2 (word clock), in play", -1, {}};
    Ticks coarseTicks{"QTimer, default type (coarse)", -1, {}};
    screen->show();

    auto& countdown = child<QTimer>(*screen, "Timer1");
    auto& word = child<QTimer>(*screen, "Timer2");
    auto& box = child<InputBox>(*screen, "Text1");
    const qint64 intervalNs = static_cast<qint64>(word.interval()) * 1000000;
    QTimer coarse;
    coarse.setInterval(word.interval());

    // These slots run after the window's own, within the same timer event.
    QObject::connect(&countdown, &QTimer::timeout, [&] {
        countdownTicks.arrivals.push_back(monotonic.nsecsElapsed());
        if (wordTicks.started < 0 && word.isActive()) {
            wordTicks.started = monotonic.nsecsElapsed();
            coarse.start();
            coarseTicks.started = monotonic.nsecsElapsed();
        }
    });
    QObject::connect(&coarse, &QTimer::timeout, [&] {
        if (coarseTicks.arrivals.size() < wanted)
            coarseTicks.arrivals.push_back(monotonic.nsecsElapsed());
        if (wordTicks.arrivals.size() >= wanted && coarseTicks.arrivals.size() >= wanted)
            QCoreApplication::quit();
    });
    std::size_t drawnAt = 0;
    std::size_t timeUpAt = 0;
    int typedWords = 0;
    QObject::connect(&word, &QTimer::timeout, [&] {
        wordTicks.arrivals.push_back(monotonic.nsecsElapsed());
        const std::size_t n = wordTicks.arrivals.size();
        if (timeUpAt == 0 && screen->game().prompt() == texts::timeUp)
            timeUpAt = n;
        if (!idle && screen->game().wordOnDisplay()) {
            if (drawnAt == 0) {
                drawnAt = n;
            } else if (n - drawnAt >= 2) {
                // The word typed in full, then Enter: the key-down that checks it.
                box.resetText(QString::fromStdU16String(screen->game().prompt()));
                QTest::keyClick(&box, Qt::Key_Return);
                drawnAt = 0;
                ++typedWords;
            }
        }
        if (n >= wanted && coarseTicks.arrivals.size() >= wanted)
            QCoreApplication::quit();
    });

    std::printf("observing %zu word-clock ticks after the 4 s countdown; about %zu s\n", wanted, wanted + 5);
    std::fflush(stdout);
    QApplication::exec();

    std::printf("\n%4s %12s %12s\n", "n", "Timer2 ms", "coarse ms");
    for (std::size_t n = 1; n <= wanted; ++n)
        std::printf("%4zu %+12.3f %+12.3f\n", n, wordTicks.offsetMs(n, intervalNs),
                    coarseTicks.offsetMs(n, intervalNs));
    std::printf("\ncountdown ticks from game start:");
    for (std::size_t n = 1; n <= countdownTicks.arrivals.size(); ++n)
        std::printf(" %+.3f", countdownTicks.offsetMs(n, intervalNs));
    std::printf(" ms\nwords typed and matched: %d; game state at the end: %d cleared, %d s elapsed\n\n", typedWords,
                screen->game().cleared(), screen->game().elapsed());

    printSummary(countdownTicks, intervalNs);
    printSummary(wordTicks, intervalNs);
    // The time-up re-enables the word clock on every tick; show the ticks before and after it apart.
    Ticks inPlay = wordTicks;
    if (timeUpAt > 0) {
        std::printf("time-up from tick %zu on\n", timeUpAt);
        inPlay = wordTicks.part("  ticks before the time-up", 1, timeUpAt - 1);
        printSummary(inPlay, intervalNs);
        printSummary(wordTicks.part("  ticks from the time-up on", timeUpAt, wanted), intervalNs);
    }
    printSummary(coarseTicks, intervalNs);
    const Summary precise = summarise(inPlay, intervalNs);
    const Summary floor = summarise(coarseTicks, intervalNs);
    if (precise.maxAbs > 0)
        std::printf("coarse max |offset| / word clock max |offset| (in play): %.0f\n", floor.maxAbs / precise.maxAbs);
    const double runTicks = static_cast<double>(inPlay.arrivals.size());
    const bool met = precise.maxAbs <= 2.0 && std::abs(precise.slope * runTicks) <= 1.0;
    std::printf("target in play (every tick within 2 ms of n s, under 1 ms of drift over the run): %s\n",
                met ? "met" : "missed");

    deleteAllWindows();
    return 0;
}
