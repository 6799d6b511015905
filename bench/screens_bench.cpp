// What the windows add to the game core: START to the game window shown (the full word file loaded on the way), and
// one romaji key through the game's input box. Each figure has a plain Qt floor measured in the same run, so that
// docs/performance.md can quote ratios rather than times of one machine.
#include "bench_word_file.h"
#include "screens/application.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

using namespace fururupo;

namespace {

std::filesystem::path wordFolder()
{
    return bench::fullWordFile().path.parent_path();
}

// Runs events until the window has had its first expose handled, which is also when it is painted.
void waitUntilExposed(QWidget& window)
{
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents();
}

// Closes a window that deletes itself on close and carries the deletion out at once.
void closeAndDelete(QWidget* window)
{
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class T> T& child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::logic_error(std::string("no child named ") + name);
    return *found;
}

// A timer event delivered as the event loop would deliver it.
void tick(QWidget& window, const char* clockName)
{
    auto& clock = child<QTimer>(window, clockName);
    QTimerEvent event(clock.timerId());
    QCoreApplication::sendEvent(&clock, &event);
}

const std::filesystem::path& fullFolder()
{
    static const std::filesystem::path folder = wordFolder();
    return folder;
}

// A folder whose word file holds one line, so that building the window costs next to nothing for the load.
const std::filesystem::path& oneLineFolder()
{
    static const QTemporaryDir folder;
    static const std::filesystem::path shared([] {
        QFile file(folder.filePath(QStringLiteral("MSG.txt")));
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the one-line word file");
        file.write("\xEF\xBB\xBF" + QStringLiteral("あさがお").leftJustified(32, u' ').toUtf8() + "\r\n");
        return QFile::encodeName(folder.path()).toStdString();
    }());
    return shared;
}

// Floor: an empty window of the game window's size, shown until painted, then closed and deleted.
void BM_PlainWindow_ShowClose(benchmark::State& state)
{
    for (auto _ : state) {
        auto* window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->resize(836, 530);
        window->show();
        waitUntilExposed(*window);
        closeAndDelete(window);
    }
}
BENCHMARK(BM_PlainWindow_ShowClose)->Unit(benchmark::kMillisecond);

// What START does after the click: build the game window, which loads the full word file through its event-loop
// yield and starts the countdown, show it until painted; closing and deleting it is counted too.
void BM_GameWindow_ShowClose(benchmark::State& state)
{
    std::int32_t entries = -1;
    for (auto _ : state) {
        auto* screen = new GameScreen(fullFolder(), false, true, false);
        screen->show();
        waitUntilExposed(*screen);
        entries = screen->game().entries();
        closeAndDelete(screen);
    }
    if (entries != bench::BenchWordFile::lines)
        state.SkipWithError("the word file was not loaded in full");
}
BENCHMARK(BM_GameWindow_ShowClose)->Unit(benchmark::kMillisecond);

// The same with a one-line word file: the window's own cost, with next to no load.
void BM_GameWindow_ShowClose_OneLineFile(benchmark::State& state)
{
    std::int32_t entries = -1;
    for (auto _ : state) {
        auto* screen = new GameScreen(oneLineFolder(), false, true, false);
        screen->show();
        waitUntilExposed(*screen);
        entries = screen->game().entries();
        closeAndDelete(screen);
    }
    if (entries != 1)
        state.SkipWithError("the one-line word file was not loaded");
}
BENCHMARK(BM_GameWindow_ShowClose_OneLineFile)->Unit(benchmark::kMillisecond);

// The same window built but never shown: the construction and the load without the first paint.
void BM_GameWindow_ConstructOnly(benchmark::State& state)
{
    for (auto _ : state) {
        auto* screen = new GameScreen(fullFolder(), false, true, false);
        closeAndDelete(screen);
    }
}
BENCHMARK(BM_GameWindow_ConstructOnly)->Unit(benchmark::kMillisecond);

// The whole START as a player makes it: a click on a shown title screen until the game window is painted (the title
// screen closes on the way). Building and showing the title screen and closing the game window are not counted.
void BM_StartClick_ToGameWindowShown(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto* title = new TitleScreen(fullFolder());
        title->show();
        waitUntilExposed(*title);
        auto& start = child<QAbstractButton>(*title, "Command1");
        state.ResumeTiming();

        QTest::mouseClick(&start, Qt::LeftButton);
        QWidget* screen = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("Form2") && window->isVisible())
                screen = window;
        }
        if (!screen) {
            state.SkipWithError("START opened no game window");
            break;
        }
        waitUntilExposed(*screen);

        state.PauseTiming();
        closeAndDelete(screen);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartClick_ToGameWindowShown)->Unit(benchmark::kMillisecond);

// The load alone, as the game window runs it (each line preceded by a pass of the event loop), on a shown window
// whose clocks are stopped, so that no countdown step is painted in the middle of a load.
void BM_GameWindow_LoadWordFile(benchmark::State& state)
{
    auto* screen = new GameScreen(fullFolder(), false, true, false);
    screen->show();
    waitUntilExposed(*screen);
    child<QTimer>(*screen, "Timer1").stop();
    child<QTimer>(*screen, "Timer2").stop();
    for (auto _ : state)
        benchmark::DoNotOptimize(screen->getFile());
    closeAndDelete(screen);
}
BENCHMARK(BM_GameWindow_LoadWordFile)->Unit(benchmark::kMillisecond);

// The load with a yield that does nothing: the floor the two above are read against.
void BM_LoadWordList_NoOpYield(benchmark::State& state)
{
    struct Quiet final : LoadHooks
    {
        void yieldToEvents() override {}
        void reportLoadFailure(std::int32_t, LoadFailure) override { throw std::runtime_error("load failed"); }
        void reportUnreadableText(std::int32_t) override {}
        void reportBadLine(std::int32_t, LineProblem) override {}
    } hooks;
    auto list = std::make_unique<WordList>();
    for (auto _ : state)
        benchmark::DoNotOptimize(loadWordList(*list, bench::fullWordFile().path, hooks));
}
BENCHMARK(BM_LoadWordList_NoOpYield)->Unit(benchmark::kMillisecond);

// A shown game window past its countdown with a word from the list on display and both clocks stopped, so that
// nothing but the keys changes it.
struct WordOnDisplay
{
    WordOnDisplay()
    {
        screen->show();
        waitUntilExposed(*screen);
        for (int i = 0; i < 4; ++i)
            tick(*screen, "Timer1");
        tick(*screen, "Timer2");
        child<QTimer>(*screen, "Timer1").stop();
        child<QTimer>(*screen, "Timer2").stop();
        QCoreApplication::processEvents();
        if (!screen->game().wordOnDisplay())
            throw std::logic_error("no word on display");
    }
    ~WordOnDisplay() { closeAndDelete(screen); }

    GameScreen* screen = new GameScreen(fullFolder(), false, true, false);
    InputBox& box = child<InputBox>(*screen, "Text1");
};

// A plain window of the same size with a plain line edit where the game's input box sits.
struct PlainLineEdit
{
    PlainLineEdit()
    {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->resize(836, 530);
        box->setGeometry(160, 448, 521, 41);
        window->show();
        box->setFocus();
        waitUntilExposed(*window);
    }
    ~PlainLineEdit() { closeAndDelete(window); }

    QWidget* window = new QWidget;
    QLineEdit* box = new QLineEdit(window);
};

// Types "kakaka…" (every second key completes a か), starting over every 64 keys outside the timing; with painted,
// each key is followed by a pass of the event loop, which paints what changed.
template <class Box> void typeKa(benchmark::State& state, Box& box, bool painted)
{
    static constexpr char keys[] = {'k', 'a'};
    int typed = 0;
    for (auto _ : state) {
        QTest::keyClick(&box, keys[typed & 1]);
        if (painted)
            QCoreApplication::processEvents();
        if (++typed == 64) {
            state.PauseTiming();
            if constexpr (std::is_same_v<Box, InputBox>)
                box.resetText({});
            else
                box.clear();
            QCoreApplication::processEvents();
            typed = 0;
            state.ResumeTiming();
        }
    }
}

void BM_Key_PlainLineEdit(benchmark::State& state)
{
    PlainLineEdit plain;
    typeKa(state, *plain.box, false);
}
BENCHMARK(BM_Key_PlainLineEdit)->Unit(benchmark::kMicrosecond);

// The game's part: the key event, the kana composer, the key-down announcement, the game's check of the word.
void BM_Key_GameInputBox(benchmark::State& state)
{
    WordOnDisplay shown;
    typeKa(state, shown.box, false);
}
BENCHMARK(BM_Key_GameInputBox)->Unit(benchmark::kMicrosecond);

// The same with the romaji guide on (F1): the guide follows each key, and a painted key also draws the romaji still
// to type, or the mark under a wrong kana ("kaka…" is not the word, so most painted keys draw the mark).
void typeKaWithGuide(benchmark::State& state, bool painted)
{
    WordOnDisplay shown;
    InputBox::showGuide(true);
    typeKa(state, shown.box, painted);
    InputBox::showGuide(false);
}

void BM_Key_GameInputBox_Guide(benchmark::State& state)
{
    typeKaWithGuide(state, false);
}
BENCHMARK(BM_Key_GameInputBox_Guide)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_Guide_Painted(benchmark::State& state)
{
    typeKaWithGuide(state, true);
}
BENCHMARK(BM_Key_GameInputBox_Guide_Painted)->Unit(benchmark::kMicrosecond);

void BM_Key_PlainLineEdit_Painted(benchmark::State& state)
{
    PlainLineEdit plain;
    typeKa(state, *plain.box, true);
}
BENCHMARK(BM_Key_PlainLineEdit_Painted)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_Painted(benchmark::State& state)
{
    WordOnDisplay shown;
    typeKa(state, shown.box, true);
}
BENCHMARK(BM_Key_GameInputBox_Painted)->Unit(benchmark::kMicrosecond);

} // namespace

// The windows run on Qt's offscreen platform unless the caller chose another, so the figures need no display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Application app(argc, argv);
    setUpRuntime(app);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    deleteAllWindows();
    return 0;
}
