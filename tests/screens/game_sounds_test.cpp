// One scripted game on the real game screen, heard at a PulseAudio daemon of the test's own: every kind of moment
// yields its own sound, a switched-off kind none, F3 silences at once, and a server killed mid-game leaves the game
// playing and the next title screen saying so once. Every wait is for an event: the daemon's socket, the player's
// signal, the recorder's data.
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/keyboard_view.h"
#include "screens/settings_screen.h"
#include "screens/title_screen.h"
#include "sound/sound_shapes.h"

#include "screen_test_support.h"
#include "support/sound_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <functional>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

constexpr int safetyMs = 30000;

// Does what `act` does and tells which sound followed, if any, once it has played out; nothing is heard when no sound
// begins before the longest could have ended. On a loaded machine the server may drop a short sound whole (it keeps
// sounds where they fall in time); `again`, when given, sets the moment up anew, and it is tried once more.
std::optional<SoundKind> heardAfter(MonitorRecording& recording, const std::function<void()>& act,
                                    const std::function<void()>& again = {})
{
    const std::size_t window = makeSound(SoundKind::NewBest).size() + soundRate / 2;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            if (!again)
                break;
            again();
        }
        recording.catchUp();
        const std::size_t from = recording.size();
        act();
        QCoreApplication::processEvents();
        std::optional<std::size_t> start;
        while (!start && recording.size() < from + window) {
            if (!recording.waitForSamples(recording.size() + soundRate / 100))
                return std::nullopt;
            start = recording.firstSound(from, recording.size());
        }
        if (!start)
            continue;
        // Enough of it to be told apart, then the rest of it, so that the next sound is heard alone.
        recording.waitForSamples(*start + 1000);
        for (SoundKind kind : allSoundKinds) {
            if (recordedSoundIs(recording.all(), *start, makeSound(kind))) {
                recording.waitForSamples(*start + makeSound(kind).size() + soundRate / 10);
                return kind;
            }
        }
        recording.waitForSamples(from + window);
        return std::nullopt;
    }
    return std::nullopt;
}

// Lets every sound asked for so far play out, so that the next one is heard alone.
void settle(MonitorRecording& recording)
{
    recording.catchUp();
    recording.waitForSamples(recording.size() + makeSound(SoundKind::NewBest).size() + soundRate / 2);
}

void typeWordAndEnter(QWidget* form)
{
    auto* box = child<InputBox>(form, "Text1");
    typeText(box, text(form, "Label4"));
    pressKey(box, Qt::Key_Return);
}

} // namespace

TEST(GameSounds, AScriptedGameIsHeardMomentByMoment)
{
    SoundServer server;
    MonitorRecording recording(server);
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    QTemporaryDir data;
    GameApp app(ListFolders{words.folder(), {}}, QString(), data.filePath(QStringLiteral("records.sqlite3")));
    // At full volume the server's samples are the sounds' own, bit for bit.
    app.settings().setValue(soundVolumeSetting, 100);
    app.sounds().applySettings();
    ProcessEndRecorder ends;
    SoundPlayer& player = app.sounds().soundPlayer();
    QSignalSpy opened(&player, &SoundPlayer::stateChanged);
    TitleScreen* title = app.showTitle();
    EXPECT_EQ(player.state(), SoundPlayer::State::Closed) << "no sound is opened before a game starts";
    click(title, "Command1");
    QWidget* form = openWindows(QStringLiteral("Form2")).at(0);
    while (player.state() == SoundPlayer::State::Opening)
        ASSERT_TRUE(opened.wait(safetyMs));
    ASSERT_EQ(player.state(), SoundPlayer::State::Open);
    auto* box = child<InputBox>(form, "Text1");
    const auto restart = [&] { click(form, "Label6"); };

    EXPECT_EQ(heardAfter(
                  recording, [&] { tick(form, "Timer1"); }, [&] { restart(); }),
              SoundKind::Countdown);
    tick(form, "Timer1", 2);
    settle(recording);
    EXPECT_EQ(heardAfter(
                  recording, [&] { tick(form, "Timer1"); },
                  [&] {
                      restart();
                      tick(form, "Timer1", 3);
                      settle(recording);
                  }),
              SoundKind::Start);
    tick(form, "Timer2");
    ASSERT_EQ(text(form, "Label4"), QStringLiteral("ねこ"));
    const auto backToEmpty = [&] { box->resetText(QString()); };
    EXPECT_EQ(heardAfter(
                  recording, [&] { typeText(box, QStringLiteral("ね")); }, backToEmpty),
              SoundKind::KeyClick);
    EXPECT_EQ(
        heardAfter(
            recording, [&] { typeText(box, QStringLiteral("ぬ")); }, [&] { box->resetText(QStringLiteral("ね")); }),
        SoundKind::Miss);
    box->resetText(QStringLiteral("ねこ"));
    EXPECT_EQ(heardAfter(
                  recording, [&] { pressKey(box, Qt::Key_Return); },
                  [&] {
                      tick(form, "Timer2");
                      box->resetText(QStringLiteral("ねこ"));
                  }),
              SoundKind::Correct);

    // The click switched off in the settings, the next key is silent; the other sounds stay.
    app.settings().setValue(keyClickSetting, false);
    app.sounds().applySettings();
    tick(form, "Timer2");
    EXPECT_EQ(heardAfter(recording, [&] { typeText(box, QStringLiteral("ね")); }), std::nullopt);
    app.settings().setValue(keyClickSetting, true);
    app.sounds().applySettings();
    // F3 silences everything at once, the word's chime included, and brings it back.
    pressKey(box, Qt::Key_F3);
    EXPECT_FALSE(player.soundOn());
    EXPECT_EQ(heardAfter(recording, [&] { typeText(box, QStringLiteral("こ")), pressKey(box, Qt::Key_Return); }),
              std::nullopt);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★★"));
    pressKey(box, Qt::Key_F3);
    EXPECT_TRUE(player.soundOn());

    // A word left unanswered: its time runs out, heard once, not at every tick of the time-up.
    tick(form, "Timer2");
    tick(form, "Timer2", wordLimitOf(SpeedLevel::Normal) - 1);
    EXPECT_EQ(heardAfter(recording, [&] { tick(form, "Timer2"); }), SoundKind::TimeUp);
    ASSERT_EQ(text(form, "Label4"), QStringLiteral("お時間になりました。"));
    EXPECT_EQ(heardAfter(recording, [&] { tick(form, "Timer2"); }), std::nullopt);

    // A whole game: the record after the 21st word, the first kept for the list; the next game, faster, a new best.
    const auto playWholeGame = [&](int secondsEach) {
        restart();
        tick(form, "Timer1", 4);
        for (int word = 0; word < 20; ++word) {
            tick(form, "Timer2", secondsEach);
            typeWordAndEnter(form);
        }
        tick(form, "Timer2", secondsEach);
        typeText(box, QStringLiteral("ねこ"));
        settle(recording);
    };
    playWholeGame(3);
    EXPECT_EQ(heardAfter(recording, [&] { pressKey(box, Qt::Key_Return); }), SoundKind::Record);
    playWholeGame(1);
    EXPECT_EQ(heardAfter(recording, [&] { pressKey(box, Qt::Key_Return); }), SoundKind::NewBest);

    // The server dies mid-game: the game plays on, and the title screen says so once.
    restart();
    QSignalSpy faults(&player, &SoundPlayer::faultFound);
    server.kill();
    ASSERT_TRUE(faults.wait(safetyMs));
    tick(form, "Timer1", 4);
    tick(form, "Timer2");
    typeWordAndEnter(form);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    click(form, "Label3");
    flushDeletes();
    const auto titles = openWindows(QStringLiteral("Form1"));
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_FALSE(text(titles.front(), "listNotice").isEmpty());
    click(titles.front(), "Command1");
    flushDeletes();
    click(openWindows(QStringLiteral("Form2")).at(0), "Label3");
    flushDeletes();
    EXPECT_TRUE(text(openWindows(QStringLiteral("Form1")).at(0), "listNotice").isEmpty()) << "said once";
    closeAllWindows();
}

// 設定 is reached from the title screen by Tab and Enter, not over the design's controls; each switch takes effect at
// once (on the sound, the boxes, the game screen open) and is there again in the next run.
TEST(SettingsWindow, EachSwitchTakesEffectAtOnceAndTheChoicesOutliveTheRun)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    QTemporaryDir config;
    const QString settingsFile = config.filePath(QStringLiteral("fururupo.conf"));
    ProcessEndRecorder ends;
    {
        GameApp app(ListFolders{words.folder(), {}}, settingsFile, QString());
        TitleScreen* title = app.showTitle();
        auto* button = child<QWidget>(title, "settingsButton");
        for (const char* designed : {"Command1", "Command2", "Option1_0", "Option1_1", "Option1_2"})
            EXPECT_FALSE(button->geometry().intersects(child<QWidget>(title, designed)->geometry())) << designed;
        title->activateWindow();
        QCoreApplication::processEvents();
        for (int i = 0; i < 6 && QApplication::focusWidget() != button; ++i)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : title, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Return);
        const auto windows = openWindows(QStringLiteral("settingsWindow"));
        ASSERT_EQ(windows.size(), 1u);
        EXPECT_EQ(windows[0]->windowTitle(), QStringLiteral("設定"));

        SoundPlayer& player = app.sounds().soundPlayer();
        child<QAbstractButton>(windows[0], "keyClickBox")->click();
        EXPECT_FALSE(player.keyClickOn());
        child<QAbstractButton>(windows[0], "otherSoundsBox")->click();
        EXPECT_FALSE(player.otherSoundsOn());
        child<QSlider>(windows[0], "volumeSlider")->setValue(30);
        EXPECT_NEAR(player.volume(), 0.3, 1e-6);
        child<QAbstractButton>(windows[0], "soundOnBox")->click();
        EXPECT_FALSE(player.soundOn());

        // Kana input takes effect on the boxes at once; the keyboard picture on the game screen open.
        GameScreen* game = app.startGame(false, true, false);
        child<QAbstractButton>(windows[0], "kanaInputBox")->click();
        EXPECT_TRUE(InputBox::kanaInput());
        child<QAbstractButton>(windows[0], "keyboardShownBox")->click();
        EXPECT_TRUE(game->keyboardShown());
        auto* layouts = child<QComboBox>(windows[0], "keyboardLayoutChooser");
        layouts->setCurrentIndex(layouts->findData(2));
        Q_EMIT layouts->activated(layouts->currentIndex());
        EXPECT_EQ(child<KeyboardView>(game, "keyboardView")->keyboardLayout(), KeyboardLayout::Us);
        QTest::keyClick(windows[0], Qt::Key_Escape);
        EXPECT_TRUE(openWindows(QStringLiteral("settingsWindow")).empty());
        closeAllWindows();
    }
    InputBox::setKanaInput(false);
    GameApp next(ListFolders{words.folder(), {}}, settingsFile, QString());
    EXPECT_TRUE(InputBox::kanaInput());
    InputBox::setKanaInput(false);
    const SoundPlayer& player = next.sounds().soundPlayer();
    EXPECT_FALSE(player.soundOn());
    EXPECT_FALSE(player.keyClickOn());
    EXPECT_FALSE(player.otherSoundsOn());
    EXPECT_NEAR(player.volume(), 0.3, 1e-6);
    auto* settings = next.showSettings();
    EXPECT_FALSE(child<QAbstractButton>(settings, "soundOnBox")->isChecked());
    EXPECT_EQ(child<QSlider>(settings, "volumeSlider")->value(), 30);
    EXPECT_TRUE(child<QAbstractButton>(settings, "keyboardShownBox")->isChecked());
    EXPECT_EQ(child<QComboBox>(settings, "keyboardLayoutChooser")->currentData().toInt(), 2);
    closeAllWindows();
}
