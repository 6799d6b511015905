#include "screen_test_support.h"

#include "logic/word_list.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/title_screen.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>

namespace fururupo {
namespace {

using namespace testing;

const QString word = QStringLiteral("さくら");
const QString timeUp = QStringLiteral("お時間になりました。");

class GameWindow : public ::testing::Test
{
protected:
    void TearDown() override { closeAllWindows(); }

    GameScreen* open(bool slow, bool normal, bool fast)
    {
        return app.startGame(slow, normal, fast);
    }

    // From the game start to the first word: four countdown ticks, then one word-clock tick.
    static void playToFirstWord(QWidget* form)
    {
        tick(form, "Timer1", 4);
        tick(form, "Timer2");
    }

    static void typeShownWordAndEnter(QWidget* form)
    {
        QWidget* box = child<QWidget>(form, "Text1");
        typeText(box, text(form, "Label4"));
        pressKey(box, Qt::Key_Return);
    }

    // Ticks the word clock until the shown word gives way to the time-up message; returns the number of ticks.
    static int secondsUntilTimeUp(QWidget* form)
    {
        for (int seconds = 1; seconds <= 30; ++seconds) {
            tick(form, "Timer2");
            if (text(form, "Label4") == timeUp)
                return seconds;
        }
        return -1;
    }

    static void finishWithTwentyOneWords(QWidget* form)
    {
        playToFirstWord(form);
        for (int i = 0; i < 21; ++i) {
            if (i > 0)
                tick(form, "Timer2");
            typeShownWordAndEnter(form);
        }
    }

    WordFolder words{{{word, QStringLiteral("はるに さく はな")}}};
    GameApp app{words.folder()};
    ProcessEndRecorder ends;
};

// What the player sees the moment a window appears; the design's placeholder texts must never be among it.
class ShowRecorder : public QObject
{
public:
    ShowRecorder() { qApp->installEventFilter(this); }
    ~ShowRecorder() override { qApp->removeEventFilter(this); }
    std::vector<QStringList> shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QStringLiteral("Form2")) {
            auto* form = static_cast<QWidget*>(watched);
            shown.push_back({text(form, "Label1"), text(form, "Label2"), text(form, "Label4"), text(form, "Label5"),
                             text(form, "Text1")});
        }
        return false;
    }
};

TEST_F(GameWindow, AppearsBlankThenCountsDownToTheFirstWord)
{
    ShowRecorder recorder;
    TitleScreen* title = app.showTitle();
    click(title, "Command1");
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown.front(), (QStringList{QStringLiteral("ふつう"), "", "", "", " "}));

    QWidget* form = openWindows(QStringLiteral("Form2")).at(0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Form2"));
    EXPECT_EQ(form->size(), QSize(836, 530));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->focusWidget(), child<QWidget>(form, "Text1"));
    EXPECT_EQ(text(form, "Label3"), QStringLiteral("帰る"));
    EXPECT_EQ(text(form, "Label6"), QStringLiteral("延長"));
    for (const char* clock : {"Timer1", "Timer2"}) {
        EXPECT_EQ(child<QTimer>(form, clock)->interval(), 1000);
        EXPECT_EQ(child<QTimer>(form, clock)->timerType(), Qt::PreciseTimer);
    }
    EXPECT_TRUE(running(form, "Timer1"));
    EXPECT_FALSE(running(form, "Timer2"));

    QStringList countdown;
    for (int i = 0; i < 4; ++i) {
        tick(form, "Timer1");
        countdown << text(form, "Label4");
    }
    EXPECT_EQ(countdown, (QStringList{"3", "2", "1", "START"}));
    EXPECT_FALSE(running(form, "Timer1"));
    EXPECT_TRUE(running(form, "Timer2"));
    EXPECT_EQ(text(form, "Text1"), "");

    tick(form, "Timer2");
    EXPECT_EQ(text(form, "Label4"), word);
    // The CR LF of the explanation becomes a line break on screen.
    EXPECT_EQ(text(form, "Label5"), QStringLiteral("■解説■\nはるに さく はな"));
}

TEST_F(GameWindow, AWordCountsOnTheKeyAfterItAndTwentyOneWordsShowTheRecord)
{
    GameScreen* form = open(false, true, false);
    playToFirstWord(form);
    QWidget* box = child<QWidget>(form, "Text1");
    // Each key is checked against the text before it: the word's last character alone does not count.
    typeText(box, word);
    EXPECT_EQ(text(form, "Label4"), word);
    EXPECT_EQ(text(form, "Text1"), word);
    pressKey(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    EXPECT_EQ(text(form, "Label4"), "");
    EXPECT_EQ(text(form, "Label5"), "");
    EXPECT_EQ(text(form, "Text1"), "");

    for (int stars = 2; stars <= 21; ++stars) {
        tick(form, "Timer2", stars == 5 ? 3 : 1); // two seconds lost over the fifth word
        EXPECT_EQ(text(form, "Label4"), word);
        typeShownWordAndEnter(form);
        EXPECT_EQ(text(form, "Label2"), QString(stars, QChar(u'★')));
    }
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("おめでとう!\n記録：23秒"));
    EXPECT_FALSE(running(form, "Timer2"));
    EXPECT_FALSE(running(form, "Timer1"));
}

TEST_F(GameWindow, AnUnansweredWordTimesOutAfterTheLimitOfItsSpeed)
{
    const struct
    {
        bool slow, normal, fast;
        int limit;
    } speeds[] = {{true, false, false, 19}, {false, true, false, 14}, {false, false, true, 4}};
    for (const auto& speed : speeds) {
        SCOPED_TRACE(speed.limit);
        GameScreen* form = open(speed.slow, speed.normal, speed.fast);
        playToFirstWord(form);
        EXPECT_EQ(secondsUntilTimeUp(form), speed.limit);
        EXPECT_EQ(text(form, "Label5"), "");
        // In the time-up phase the box is emptied on every tick.
        typeText(child<QWidget>(form, "Text1"), QStringLiteral("あい"));
        tick(form, "Timer2");
        EXPECT_EQ(text(form, "Text1"), "");
        EXPECT_EQ(text(form, "Label4"), timeUp);
        closeAllWindows();
    }
}

// Without this the replay would read a title screen that is gone and fall back to the normal speed.
TEST_F(GameWindow, PlayAgainStartsOverInEveryPhaseAndKeepsTheChosenSpeed)
{
    TitleScreen* title = app.showTitle();
    click(title, "Option1_2");
    click(title, "Command1");
    flushDeletes();
    QWidget* form = openWindows(QStringLiteral("Form2")).at(0);

    const std::vector<std::pair<const char*, std::function<void()>>> phases{
        {"countdown", [&] { tick(form, "Timer1", 2); }},
        {"playing", [&] { playToFirstWord(form); }},
        {"time-up",
         [&] {
             playToFirstWord(form);
             tick(form, "Timer2", 4);
         }},
        {"finished", [&] { finishWithTwentyOneWords(form); }},
    };
    for (const auto& [phase, reach] : phases) {
        SCOPED_TRACE(phase);
        reach();
        click(form, "Label6");
        EXPECT_EQ(text(form, "Label1"), QStringLiteral("はやい"));
        EXPECT_EQ(text(form, "Label2"), "");
        EXPECT_EQ(text(form, "Label4"), "");
        EXPECT_EQ(text(form, "Label5"), "");
        EXPECT_EQ(text(form, "Text1"), " ");
        EXPECT_TRUE(running(form, "Timer1"));
        EXPECT_FALSE(running(form, "Timer2"));
        tick(form, "Timer1");
        EXPECT_EQ(text(form, "Label4"), "3");
        tick(form, "Timer1", 3);
        tick(form, "Timer2");
        EXPECT_EQ(secondsUntilTimeUp(form), 4);
        click(form, "Label6");
        EXPECT_TRUE(existingWindows(QStringLiteral("Form1")).empty());
    }
}

TEST_F(GameWindow, GoingBackStopsBothClocksAndBringsAFreshTitleScreen)
{
    for (const char* phase : {"countdown", "playing"}) {
        SCOPED_TRACE(phase);
        TitleScreen* title = app.showTitle();
        click(title, "Option1_0");
        click(title, "Command1");
        flushDeletes();
        QPointer<QWidget> form = openWindows(QStringLiteral("Form2")).at(0);
        if (std::string_view(phase) == "playing")
            playToFirstWord(form);

        click(form, "Label3");
        EXPECT_FALSE(running(form, "Timer1"));
        EXPECT_FALSE(running(form, "Timer2"));
        EXPECT_FALSE(form->isVisible());
        const auto titles = openWindows(QStringLiteral("Form1"));
        ASSERT_EQ(titles.size(), 1u);
        EXPECT_TRUE(child<QRadioButton>(titles.front(), "Option1_1")->isChecked());
        EXPECT_EQ(static_cast<TitleScreen*>(titles.front())->blinkPhase, 0);
        flushDeletes();
        EXPECT_TRUE(form.isNull());
        closeAllWindows();
    }
}

TEST_F(GameWindow, LooksBlackWithPinkTextAndAWhiteInput)
{
    GameScreen* form = open(false, true, false);
    playToFirstWord(form);
    typeText(child<QWidget>(form, "Text1"), QStringLiteral("さ"));
    const QImage image = form->grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(833, 527), QColor(0, 0, 0));
    const QColor pink(255, 128, 255);
    EXPECT_GT(countNear(image, child<QWidget>(form, "Label1")->geometry(), pink), 20);
    EXPECT_GT(countNear(image, child<QWidget>(form, "Label4")->geometry(), pink), 200);
    EXPECT_GT(countNear(image, child<QWidget>(form, "Label6")->geometry(), QColor(0, 255, 255)), 10);
    EXPECT_GT(countNear(image, child<QWidget>(form, "Label5")->geometry(), QColor(255, 255, 192)), 20);
    EXPECT_GT(countNear(image, child<QWidget>(form, "Text1")->geometry(), QColor(255, 255, 255)), 20);
    const QRect input = child<QWidget>(form, "Text1")->geometry().adjusted(4, 4, -4, -4);
    EXPECT_GT(countNear(image, input, QColor(0, 0, 0), 0), input.width() * input.height() / 2);
}

// The explanation's box is opaque black, unlike the transparent labels: over a backdrop that is not black, its whole
// rectangle is still black and its text. (On the black window alone opaque and transparent would look the same.)
TEST_F(GameWindow, TheExplanationBoxIsOpaqueBlackOverAnyBackdrop)
{
    GameScreen* form = open(false, true, false);
    playToFirstWord(form);
    QPalette backdrop = form->palette();
    const QColor magenta(255, 0, 255);
    backdrop.setColor(QPalette::Window, magenta);
    form->setPalette(backdrop);
    const QImage image = form->grab().toImage();
    const QRect explanation = child<QWidget>(form, "Label5")->geometry();
    EXPECT_EQ(countNear(image, explanation, magenta, 60), 0);
    EXPECT_EQ(countNear(image, explanation, QColor(0, 0, 0), 0) +
                  countNear(image, explanation, QColor(255, 255, 192), 254),
              explanation.width() * explanation.height());
    // The backdrop does show through a transparent label: the prompt's rectangle is mostly magenta.
    const QRect prompt = child<QWidget>(form, "Label4")->geometry();
    EXPECT_GT(countNear(image, prompt, magenta, 0), prompt.width() * prompt.height() / 2);
}

// Without this a missing word file leaves the player in front of a black screen with no hint of the cause.
TEST_F(GameWindow, AFailedLoadSaysWhyUntilTheNextGameStart)
{
    words.remove();
    GameScreen* form = open(false, true, false);
    auto* failure = child<QLabel>(form, "loadFailureLine");
    ASSERT_TRUE(failure->isVisible());
    const QString why = QString::fromStdU16String(describeLoadFailure(
        LoadFailure::Missing, 0, QDir(words.path()).filePath(QStringLiteral("MSG.txt")).toStdU16String()));
    EXPECT_EQ(failure->text(), why + QStringLiteral("（読めた行：0）"));
    const QImage image = form->grab().toImage();
    EXPECT_GT(countNear(image, failure->geometry(), QColor(255, 255, 192), 60), 30);

    tick(form, "Timer1", 4);
    EXPECT_TRUE(failure->isVisible());

    words.write({{word, QStringLiteral("はるに さく はな")}});
    click(form, "Label6");
    EXPECT_FALSE(failure->isVisible());
    words.remove();
    click(form, "Label6");
    EXPECT_TRUE(failure->isVisible());
}

// A click during the load runs inside the game start; acting on it there would delete the window under the start.
TEST_F(GameWindow, ClicksArrivingDuringALoadActOnceItHasReturned)
{
    words.write(std::vector<WordFolder::Entry>(60, {word, QStringLiteral("はるに さく はな")}));
    QPointer<GameScreen> form = open(false, false, true);
    playToFirstWord(form);
    typeText(child<QWidget>(form, "Text1"), QStringLiteral("ね"));

    // The input box is empty only while the load runs: the start empties it before the load and puts a blank after.
    QStringList inputSeenByClicks;
    auto* back = child<QWidget>(form, "Label3");
    auto* again = child<QWidget>(form, "Label6");
    struct Watch : QObject
    {
        QStringList* seen;
        QWidget* box;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::MouseButtonRelease)
                seen->append(static_cast<QLineEdit*>(box)->text());
            return false;
        }
    } watch;
    watch.seen = &inputSeenByClicks;
    watch.box = child<QWidget>(form, "Text1");
    back->installEventFilter(&watch);
    again->installEventFilter(&watch);

    postClick(form, "Label6");
    postClick(form, "Label3");
    click(form, "Label6");
    EXPECT_EQ(inputSeenByClicks, (QStringList{"ね", "", ""}));
    // The game start has finished on an intact window; nothing has acted yet.
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(text(form, "Text1"), " ");
    EXPECT_TRUE(running(form, "Timer1"));
    EXPECT_TRUE(openWindows(QStringLiteral("Form1")).empty());

    QCoreApplication::processEvents();
    EXPECT_EQ(openWindows(QStringLiteral("Form1")).size(), 1u);
    EXPECT_FALSE(form->isVisible());
    flushDeletes();
    EXPECT_TRUE(form.isNull());
}

} // namespace
} // namespace fururupo
