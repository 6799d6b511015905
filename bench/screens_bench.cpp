// What the windows add to the game core: START to the game window shown (the full word file loaded on the way), and
// one romaji key through the game's input box. Each figure has a plain Qt floor measured in the same run, so that
// docs/performance.md can quote ratios rather than times of one machine.
#include "bench_word_file.h"
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"
#include "sound/sound_player.h"
#include "window_bench_support.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

using namespace fururupo;
using fururupo::bench::closeAndDelete;
using fururupo::bench::showAndCloseEmptyWindow;
using fururupo::bench::waitUntilExposed;

namespace {

std::filesystem::path wordFolder()
{
    return bench::fullWordFile().path.parent_path();
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

// A folder whose word file holds the one word given, so that building the window costs next to nothing for the load
// and the word on display is known.
std::filesystem::path oneWordFolder(const QString& word)
{
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    folders.push_back(std::make_unique<QTemporaryDir>());
    QFile file(folders.back()->filePath(QStringLiteral("MSG.txt")));
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the one-word file");
    file.write("\xEF\xBB\xBF" + word.leftJustified(32, u' ').toUtf8() + "\r\n");
    return QFile::encodeName(folders.back()->path()).toStdString();
}

const std::filesystem::path& oneLineFolder()
{
    static const std::filesystem::path folder = oneWordFolder(QStringLiteral("あさがお"));
    return folder;
}

// The game on one word folder, kept for the whole run: what every window of the benchmarks reads its list through.
GameApp& gameOn(const std::filesystem::path& folder)
{
    static std::map<std::filesystem::path, std::unique_ptr<GameApp>> games;
    auto& game = games[folder];
    if (!game)
        game = std::make_unique<GameApp>(folder);
    return *game;
}

// A game window as START builds it (its first game starts, its list loads), not yet shown.
GameScreen* newGameScreen(const std::filesystem::path& folder)
{
    GameApp& game = gameOn(folder);
    return new GameScreen(game.lists(), game.records(), game.sounds(), false, false, true, false);
}

// The word the guided benchmarks type: twelve kana, among them an early ん and a っ, the longer side of the bundled
// list's words.
const QString guidedWord = QStringLiteral("あさがおのかんさつにっき");

// Floor: an empty window of the game window's size, shown until painted, then closed and deleted.
void BM_PlainWindow_ShowClose(benchmark::State& state)
{
    for (auto _ : state)
        showAndCloseEmptyWindow();
}
BENCHMARK(BM_PlainWindow_ShowClose)->Unit(benchmark::kMillisecond);

// What START does after the click: build the game window, which loads the full word file through its event-loop
// yield and starts the countdown, show it until painted; closing and deleting it is counted too.
void BM_GameWindow_ShowClose(benchmark::State& state)
{
    std::int32_t entries = -1;
    for (auto _ : state) {
        auto* screen = newGameScreen(fullFolder());
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
        auto* screen = newGameScreen(oneLineFolder());
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
        auto* screen = newGameScreen(fullFolder());
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
        auto* title = gameOn(fullFolder()).showTitle();
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
    auto* screen = newGameScreen(fullFolder());
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
    explicit WordOnDisplay(const std::filesystem::path& folder = fullFolder()) : screen(newGameScreen(folder))
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

    GameScreen* screen;
    InputBox& box = child<InputBox>(*screen, "Text1");
};

// A plain window of the same size with a plain line edit where the game's input box sits; given a font, the line
// edit draws its text in it (the game box's own, so that both draw glyphs of one size).
struct PlainLineEdit
{
    explicit PlainLineEdit(const std::optional<QFont>& font = std::nullopt)
    {
        if (font)
            box->setFont(*font);
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

// Switches callgrind's counting on and off with the timing of the keys, so that a run under
// `valgrind --tool=callgrind --collect-atstart=no` counts the timed keys and nothing else; outside valgrind it does
// nothing.
void toggleCounting()
{
    CALLGRIND_TOGGLE_COLLECT;
}

// Empties a box between two runs of keys, outside the timing.
template <class Box> void emptyBox(Box& box)
{
    if constexpr (std::is_same_v<Box, InputBox>)
        box.resetText({});
    else
        box.clear();
    QCoreApplication::processEvents();
}

// Types "kakaka…" (every second key completes a か), starting over every 64 keys outside the timing; with painted,
// each key is followed by a pass of the event loop, which paints what changed.
template <class Box> void typeKa(benchmark::State& state, Box& box, bool painted)
{
    static constexpr char keys[] = {'k', 'a'};
    int typed = 0;
    toggleCounting();
    for (auto _ : state) {
        QTest::keyClick(&box, keys[typed & 1]);
        if (painted)
            QCoreApplication::processEvents();
        if (++typed == 64) {
            state.PauseTiming();
            toggleCounting();
            emptyBox(box);
            typed = 0;
            toggleCounting();
            state.ResumeTiming();
        }
    }
    toggleCounting();
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

// The same keys with the game's sound player asking for the click from the box's keyTaken, as the game screen will;
// on a sound server (bench/sound_latency runs these on its own), with the click on and with all sound off. Without a
// server the player does not open and the benchmark says so.
void typeKaWithSound(benchmark::State& state, bool soundOn)
{
    SoundPlayer player(StreamIdentity{QStringLiteral("fururupo bench"), {}});
    QSignalSpy changes(&player, &SoundPlayer::stateChanged);
    player.openAudio();
    while (player.state() == SoundPlayer::State::Opening)
        changes.wait(30000);
    if (player.state() != SoundPlayer::State::Open) {
        state.SkipWithError("no sound server");
        return;
    }
    player.setSoundOn(soundOn);
    WordOnDisplay shown;
    QObject::connect(&shown.box, &InputBox::keyTaken, &player, [&player] { player.play(SoundKind::KeyClick); });
    typeKa(state, shown.box, false);
}

void BM_Key_GameInputBox_SoundOff(benchmark::State& state)
{
    typeKaWithSound(state, false);
}
BENCHMARK(BM_Key_GameInputBox_SoundOff)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_SoundOn(benchmark::State& state)
{
    typeKaWithSound(state, true);
}
BENCHMARK(BM_Key_GameInputBox_SoundOn)->Unit(benchmark::kMicrosecond);

// The same with the romaji guide on (F1) while typing what is not the word: "kaka…" goes wrong at its first kana, so
// every painted key draws the red mark under the text rather than the romaji still to type.
void typeKaWithGuide(benchmark::State& state, bool painted)
{
    WordOnDisplay shown;
    InputBox::showGuide(true);
    typeKa(state, shown.box, painted);
    InputBox::showGuide(false);
}

void BM_Key_GameInputBox_GuideOnMistake(benchmark::State& state)
{
    typeKaWithGuide(state, false);
}
BENCHMARK(BM_Key_GameInputBox_GuideOnMistake)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_GuideOnMistake_Painted(benchmark::State& state)
{
    typeKaWithGuide(state, true);
}
BENCHMARK(BM_Key_GameInputBox_GuideOnMistake_Painted)->Unit(benchmark::kMicrosecond);

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

// The romaji keys of the guided word, in order, as its guide shows them key by key from an empty box: the first
// letter of the romaji still to type, until the box holds the word.
const std::vector<QChar>& guidedKeys()
{
    static const std::vector<QChar> keys = [] {
        WordOnDisplay shown(oneWordFolder(guidedWord));
        InputBox::showGuide(true);
        std::vector<QChar> typed;
        for (QString rest = shown.box.guideText(); !rest.isEmpty() && typed.size() < 100;
             rest = shown.box.guideText()) {
            typed.push_back(rest.at(0));
            QTest::keyClick(&shown.box, rest.at(0).toLatin1());
        }
        InputBox::showGuide(false);
        if (shown.box.text() != guidedWord || !shown.box.pendingLetters().isEmpty())
            throw std::logic_error("following the guide does not type the word");
        return typed;
    }();
    return keys;
}

// Types the guided word key by key along its guide, and starts the word over, outside the timing, once the box holds
// it (the next key would answer it and draw another word). The keys are the guide's own, worked out beforehand, so
// the plain line edit gets exactly the same ones.
template <class Box> void typeGuidedWord(benchmark::State& state, Box& box, bool painted)
{
    const std::vector<QChar>& keys = guidedKeys();
    std::size_t next = 0;
    toggleCounting();
    for (auto _ : state) {
        QTest::keyClick(&box, keys[next].toLatin1());
        if (painted)
            QCoreApplication::processEvents();
        if (++next == keys.size()) {
            state.PauseTiming();
            toggleCounting();
            if constexpr (std::is_same_v<Box, InputBox>) {
                if (box.text() != guidedWord) {
                    state.SkipWithError("the keys did not type the word");
                    toggleCounting();
                    break;
                }
            }
            emptyBox(box);
            next = 0;
            toggleCounting();
            state.ResumeTiming();
        }
    }
    toggleCounting();
}

// Floor for the guided word: the same keys, restarted at the same points, on a plain line edit.
void BM_Key_PlainLineEdit_GuidedWord(benchmark::State& state)
{
    PlainLineEdit plain;
    typeGuidedWord(state, *plain.box, false);
}
BENCHMARK(BM_Key_PlainLineEdit_GuidedWord)->Unit(benchmark::kMicrosecond);

void BM_Key_PlainLineEdit_GuidedWord_Painted(benchmark::State& state)
{
    PlainLineEdit plain;
    typeGuidedWord(state, *plain.box, true);
}
BENCHMARK(BM_Key_PlainLineEdit_GuidedWord_Painted)->Unit(benchmark::kMicrosecond);

// The same floor in the game box's font: the plain line edit draws its letters at the box's size, as the box draws
// its kana and guide, so the ratio is the box's own code rather than the size of the glyphs.
void BM_Key_PlainLineEdit_BoxFont_GuidedWord_Painted(benchmark::State& state)
{
    const QFont boxFont = [] {
        WordOnDisplay shown(oneWordFolder(guidedWord));
        shown.box.ensurePolished();
        return shown.box.font();
    }();
    PlainLineEdit plain(boxFont);
    typeGuidedWord(state, *plain.box, true);
}
BENCHMARK(BM_Key_PlainLineEdit_BoxFont_GuidedWord_Painted)->Unit(benchmark::kMicrosecond);

// The word on display typed along its guide with the guide on: painted, each key draws the romaji still to type.
void typeGuidedWordInGame(benchmark::State& state, bool guideOn, bool painted)
{
    WordOnDisplay shown(oneWordFolder(guidedWord));
    InputBox::showGuide(guideOn);
    typeGuidedWord(state, shown.box, painted);
    InputBox::showGuide(false);
}

void BM_Key_GameInputBox_GuidedWord(benchmark::State& state)
{
    typeGuidedWordInGame(state, true, false);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_GuidedWord_Painted(benchmark::State& state)
{
    typeGuidedWordInGame(state, true, true);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_Painted)->Unit(benchmark::kMicrosecond);

// The same keys with the guide off, which tells the guide's own share.
void BM_Key_GameInputBox_GuidedWord_GuideOff(benchmark::State& state)
{
    typeGuidedWordInGame(state, false, false);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_GuideOff)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_GuidedWord_GuideOff_Painted(benchmark::State& state)
{
    typeGuidedWordInGame(state, false, true);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_GuideOff_Painted)->Unit(benchmark::kMicrosecond);

// The guided word typed with the guide off and the keyboard picture (JIS) shown or hidden: shown, each key also
// works out the next key and, painted, repaints the keys whose look changed and the finger's name. The window with
// the picture is taller; the keys and the input box are the same. The word is typed once, painted, before the timing
// on both sides: the picture draws each key's lit look and each finger's name once, the first time it shows them,
// and copies them from then on, which is what a key costs after the first words of a game.
void typeGuidedWordWithKeyboard(benchmark::State& state, bool shown, bool painted)
{
    WordOnDisplay word(oneWordFolder(guidedWord));
    word.screen->setKeyboardLayout(KeyboardLayout::Jis);
    word.screen->showKeyboard(shown);
    waitUntilExposed(*word.screen);
    for (const QChar key : guidedKeys()) {
        QTest::keyClick(&word.box, key.toLatin1());
        QCoreApplication::processEvents();
    }
    emptyBox(word.box);
    typeGuidedWord(state, word.box, painted);
}

void BM_Key_GameInputBox_GuidedWord_KeyboardHidden(benchmark::State& state)
{
    typeGuidedWordWithKeyboard(state, false, false);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_KeyboardHidden)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_GuidedWord_KeyboardShown(benchmark::State& state)
{
    typeGuidedWordWithKeyboard(state, true, false);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_KeyboardShown)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_GuidedWord_KeyboardHidden_Painted(benchmark::State& state)
{
    typeGuidedWordWithKeyboard(state, false, true);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_KeyboardHidden_Painted)->Unit(benchmark::kMicrosecond);

void BM_Key_GameInputBox_GuidedWord_KeyboardShown_Painted(benchmark::State& state)
{
    typeGuidedWordWithKeyboard(state, true, true);
}
BENCHMARK(BM_Key_GameInputBox_GuidedWord_KeyboardShown_Painted)->Unit(benchmark::kMicrosecond);

// A key after a flood: first range(0) keys of "a" are typed outside the timing (each would add an あ to a box without
// a bound), then each iteration types one more "a" and deletes it again with Backspace, so every timed "a" lands in a
// box that holds what the flood left in it.
void typeAfterFlood(benchmark::State& state, bool painted)
{
    WordOnDisplay shown;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        QTest::keyClick(&shown.box, 'a');
    QCoreApplication::processEvents();
    const qsizetype heldBefore = shown.box.text().size();
    for (auto _ : state) {
        QTest::keyClick(&shown.box, 'a');
        QTest::keyClick(&shown.box, Qt::Key_Backspace);
        if (painted)
            QCoreApplication::processEvents();
    }
    state.SetLabel("box held " + std::to_string(heldBefore));
    if (!shown.screen->game().wordOnDisplay())
        state.SkipWithError("the flood answered the word");
}

void BM_KeyAndBackspace_GameInputBox_AfterFlood(benchmark::State& state)
{
    typeAfterFlood(state, false);
}
BENCHMARK(BM_KeyAndBackspace_GameInputBox_AfterFlood)->Arg(0)->Arg(200)->Arg(20000)->Unit(benchmark::kMicrosecond);

void BM_KeyAndBackspace_GameInputBox_AfterFlood_Painted(benchmark::State& state)
{
    typeAfterFlood(state, true);
}
BENCHMARK(BM_KeyAndBackspace_GameInputBox_AfterFlood_Painted)->Arg(0)->Arg(20000)->Unit(benchmark::kMicrosecond);

// The flood going on: after range(0) keys of "a" outside the timing, each iteration is one more "a". With no flood
// before, the box is emptied every 64 keys outside the timing, so these are the first keys of a game; after 20,000 the
// box is full and each key is announced, checked and refused.
void BM_Key_GameInputBox_FloodGoesOn(benchmark::State& state)
{
    WordOnDisplay shown;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        QTest::keyClick(&shown.box, 'a');
    QCoreApplication::processEvents();
    const bool restart = state.range(0) == 0;
    int typed = 0;
    for (auto _ : state) {
        QTest::keyClick(&shown.box, 'a');
        if (restart && ++typed == 64) {
            state.PauseTiming();
            emptyBox(shown.box);
            typed = 0;
            state.ResumeTiming();
        }
    }
    state.SetLabel("box holds " + std::to_string(shown.box.text().size()));
}
BENCHMARK(BM_Key_GameInputBox_FloodGoesOn)->Arg(0)->Arg(20000)->Unit(benchmark::kMicrosecond);

// The flood itself: 20,000 keys of "a" into the game's input box on display, one pass of the event loop at the end,
// then the box emptied outside the timing. Without a bound on the box this grows with the square of the keys.
void BM_Flood20000Keys_GameInputBox(benchmark::State& state)
{
    WordOnDisplay shown;
    for (auto _ : state) {
        for (int i = 0; i < 20000; ++i)
            QTest::keyClick(&shown.box, 'a');
        QCoreApplication::processEvents();
        state.PauseTiming();
        emptyBox(shown.box);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Flood20000Keys_GameInputBox)->Unit(benchmark::kMillisecond)->Iterations(2);

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
