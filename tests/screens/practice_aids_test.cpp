// The practice aids on the real windows: the romaji guide on F1 and its mistake mark, the one-Enter final ん, and the
// title screen's keyboard play (focus marks, Enter, Tab onto the chosen speed).
#include "player/list_choice.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/title_screen.h"

#include "screen_test_support.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include <memory>
#include <utility>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// Keys without a character, such as F1, which QTest::keyClicks cannot type.
void pressKeyOn(QWidget& widget, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

// A game screen showing its first word, with the guide off to begin with and off again afterwards.
class Aids : public ::testing::Test
{
protected:
    void SetUp() override { InputBox::showGuide(false); }
    void TearDown() override
    {
        InputBox::showGuide(false);
        closeAllWindows();
    }

    GameScreen* openOn(const QString& word)
    {
        words.write({{word, QStringLiteral("せつめい")}});
        auto* form = app.startGame(false, true, false);
        tick(form, "Timer1", 4);
        tick(form, "Timer2");
        EXPECT_EQ(text(form, "Label4"), word);
        return form;
    }

    // Pixels of the box, to the right of its text, that are not black: the dim guide, where there is one.
    static int litPixelsAfterText(InputBox& box)
    {
        const QImage image = box.grab().toImage();
        const int from = box.inputMethodQuery(Qt::ImCursorRectangle).toRect().right() + 4;
        int lit = 0;
        for (int y = 6; y < image.height() - 6; ++y)
            for (int x = from; x < image.width() - 30; ++x)
                lit += qGray(image.pixel(x, y)) > 40 ? 1 : 0;
        return lit;
    }

    static int redPixels(InputBox& box)
    {
        const QImage image = box.grab().toImage();
        return countNear(image, image.rect(), QColor(255, 64, 64), 50);
    }

    WordFolder words;
    GameApp app{words.folder()};
    ProcessEndRecorder ends;
};

} // namespace

// F1 shows the romaji still to type after the text, dimmed, and never touches the text the game compares.
TEST_F(Aids, F1ShowsTheRomajiStillToTypeWithoutChangingTheText)
{
    GameScreen* form = openOn(QStringLiteral("しんぶん"));
    auto* box = child<InputBox>(form, "Text1");
    QTest::keyClicks(box, QStringLiteral("shi"));
    EXPECT_EQ(box->guideText(), "");
    const int litBefore = litPixelsAfterText(*box);
    pressKeyOn(*box, Qt::Key_F1);
    EXPECT_TRUE(InputBox::guideShown());
    EXPECT_EQ(box->guideText(), QStringLiteral("nbun"));
    EXPECT_EQ(box->text(), QStringLiteral("し"));
    EXPECT_GT(litPixelsAfterText(*box), litBefore + 50);
    // The guide keeps to the spelling the player has begun.
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QStringLiteral("si"));
    EXPECT_EQ(box->guideText(), QStringLiteral("nbun"));
    QTest::keyClicks(box, QStringLiteral("nb"));
    EXPECT_EQ(box->guideText(), QStringLiteral("un"));
    EXPECT_EQ(box->text(), QStringLiteral("しん"));
    // Typing exactly what it shows completes the word, and one Enter answers it.
    QTest::keyClicks(box, box->guideText());
    EXPECT_EQ(box->text(), QStringLiteral("しんぶん"));
    EXPECT_EQ(box->guideText(), "");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    // F1 again hides it.
    tick(form, "Timer2");
    pressKeyOn(*box, Qt::Key_F1);
    EXPECT_FALSE(InputBox::guideShown());
    EXPECT_EQ(box->guideText(), "");
}

// A word of both scripts: where its next kana is of the other script than the box's mode, the guide leads with F7,
// and typing exactly what it shows, F7 included, gives the word.
TEST_F(Aids, TheGuideShowsF7WhereTheWordChangesScript)
{
    for (const QString& word : {QStringLiteral("ミシンがけ"), QStringLiteral("しャつ"), QStringLiteral("ッかー"),
                                QStringLiteral("ヴぁイオリン")}) {
        SCOPED_TRACE(word.toStdString());
        GameScreen* form = openOn(word);
        auto* box = child<InputBox>(form, "Text1");
        if (!InputBox::guideShown())
            pressKeyOn(*box, Qt::Key_F1);
        int switches = 0;
        for (int keys = 0; !box->guideText().isEmpty() && keys < 100; ++keys) {
            const QString shown = box->guideText();
            if (shown.startsWith(QStringLiteral("F7 "))) {
                pressKeyOn(*box, Qt::Key_F7);
                ++switches;
                EXPECT_FALSE(box->guideText().startsWith(QStringLiteral("F7"))) << shown;
            } else {
                QTest::keyClick(box, shown.at(0).toLatin1());
            }
        }
        EXPECT_EQ(box->text(), word);
        EXPECT_GE(switches, 1);
        closeAllWindows();
    }
    // A word of one script shows no switch.
    GameScreen* form = openOn(QStringLiteral("ねこ"));
    EXPECT_EQ(child<InputBox>(form, "Text1")->guideText(), QStringLiteral("neko"));
}

// A wrong kana makes the guide give way to a red line under it, until the player deletes it.
TEST_F(Aids, AWrongKanaIsMarkedUntilDeleted)
{
    GameScreen* form = openOn(QStringLiteral("おんな"));
    auto* box = child<InputBox>(form, "Text1");
    pressKeyOn(*box, Qt::Key_F1);
    EXPECT_EQ(redPixels(*box), 0);
    QTest::keyClicks(box, QStringLiteral("onna"));
    EXPECT_EQ(box->text(), QStringLiteral("おんあ"));
    EXPECT_EQ(box->markedMistake(), 2);
    EXPECT_EQ(box->guideText(), "");
    EXPECT_GT(redPixels(*box), 20);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->markedMistake(), -1);
    EXPECT_EQ(redPixels(*box), 0);
    EXPECT_EQ(box->guideText(), QStringLiteral("na"));
    // With the guide off nothing is marked, whatever is typed.
    pressKeyOn(*box, Qt::Key_F1);
    QTest::keyClicks(box, QStringLiteral("a"));
    EXPECT_EQ(box->markedMistake(), -1);
    EXPECT_EQ(redPixels(*box), 0);
}

// The guide stays on for the rest of the run: across a new game, back to the title screen and into a new window.
TEST_F(Aids, TheGuideStaysOnAcrossGamesAndWindows)
{
    GameScreen* form = openOn(QStringLiteral("ねこ"));
    pressKeyOn(*child<InputBox>(form, "Text1"), Qt::Key_F1);
    click(form, "Label6");
    tick(form, "Timer1", 4);
    tick(form, "Timer2");
    EXPECT_EQ(child<InputBox>(form, "Text1")->guideText(), QStringLiteral("neko"));
    click(form, "Label3");
    flushDeletes();
    click(openWindows(QStringLiteral("Form1")).at(0), "Command1");
    QWidget* again = openWindows(QStringLiteral("Form2")).at(0);
    tick(again, "Timer1", 4);
    tick(again, "Timer2");
    EXPECT_EQ(child<InputBox>(again, "Text1")->guideText(), QStringLiteral("neko"));
    // Nothing to guide while no word is shown.
    child<InputBox>(again, "Text1")->setWord({});
    EXPECT_EQ(child<InputBox>(again, "Text1")->guideText(), "");
}

// With a real input method the guide follows what it commits, and the commit reaches the box as it was sent.
TEST_F(Aids, WithAnInputMethodTheGuideFollowsItsCommits)
{
    GameScreen* form = openOn(QStringLiteral("しんぶん"));
    auto* box = child<InputBox>(form, "Text1");
    pressKeyOn(*box, Qt::Key_F1);
    QInputMethodEvent composing(QStringLiteral("しn"), {});
    QCoreApplication::sendEvent(box, &composing);
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(box->guideText(), QStringLiteral("shinbun"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("しん"));
    QCoreApplication::sendEvent(box, &commit);
    EXPECT_EQ(box->text(), QStringLiteral("しん"));
    EXPECT_EQ(box->guideText(), QStringLiteral("bun"));
    // A kanji conversion is taken as committed: the word no longer matches, and the mark says where.
    QInputMethodEvent kanji;
    kanji.setCommitString(QStringLiteral("聞"));
    QCoreApplication::sendEvent(box, &kanji);
    EXPECT_EQ(box->text(), QStringLiteral("しん聞"));
    EXPECT_EQ(box->markedMistake(), 2);
}

// START and EXIT show a frame while they have the focus; Tab moves it, and the next Tab lands on the chosen speed.
TEST(TitleKeyboard, FocusIsMarkedAndTabLandsOnTheChosenSpeed)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    ProcessEndRecorder ends;
    GameApp app(words.folder());
    auto* title = app.showTitle();
    // Only the active window shows the frame, and the platform activates a shown window from the event loop.
    QCoreApplication::processEvents();
    ASSERT_TRUE(title->isActiveWindow());
    auto* start = child<QPushButton>(title, "Command1");
    auto* exit = child<QPushButton>(title, "Command2");
    const QColor mark(72, 0, 120);
    const auto marked = [&](QWidget* button) {
        const QImage image = title->grab().toImage();
        return countNear(image, button->geometry().adjusted(-6, -6, 6, 6), mark, 30);
    };
    ASSERT_EQ(title->focusWidget(), start);
    EXPECT_GT(marked(start), 200);
    EXPECT_EQ(marked(exit), 0);

    QTest::mouseClick(child<QWidget>(title, "Option1_2"), Qt::LeftButton);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), exit);
    EXPECT_EQ(marked(start), 0);
    EXPECT_GT(marked(exit), 200);
    QTest::keyClick(exit, Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), child<QWidget>(title, "Option1_2"));
    EXPECT_EQ(marked(exit), 0);
    // Space on the option changes nothing: it is the chosen one already.
    QTest::keyClick(title->focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(child<QRadioButton>(title, "Option1_2")->isChecked());
    QTest::keyClick(title->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), start);
    QTest::keyClick(start, Qt::Key_Backtab);
    EXPECT_EQ(title->focusWidget(), child<QWidget>(title, "Option1_2"));
    closeAllWindows();
}

// Enter presses the focused button, as Space does: START opens the game, EXIT says farewell.
TEST(TitleKeyboard, EnterPressesTheFocusedButton)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    ProcessEndRecorder ends;
    MessageBoxAnswerer answerer;
    GameApp app(words.folder());
    auto* title = app.showTitle();
    QTest::keyClick(child<QWidget>(title, "Command1"), Qt::Key_Return);
    EXPECT_EQ(openWindows(QStringLiteral("Form2")).size(), 1u);
    closeAllWindows();

    auto* second = app.showTitle();
    child<QWidget>(second, "Command2")->setFocus();
    QTest::keyClick(child<QWidget>(second, "Command2"), Qt::Key_Return);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text, TitleScreen::farewellText());
    EXPECT_EQ(ends.statuses, std::vector<int>{0});
    closeAllWindows();
}

// The frame is what the window last painted on screen, not a fresh grab(): the focus moves without focus events while
// the window is inactive, so a frame painted only on those stayed on START while Enter pressed EXIT.
TEST(TitleKeyboard, TheFrameFollowsTheFocusOnlyWhileTheWindowIsActive)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    ProcessEndRecorder ends;
    MessageBoxAnswerer answerer;
    GameApp app(ListFolders{words.folder(), {}}, QString(), QString());
    auto* title = app.showTitle();
    auto* start = child<QPushButton>(title, "Command1");
    auto* exit = child<QPushButton>(title, "Command2");
    auto* slow = child<QRadioButton>(title, "Option1_0");
    auto* chooser = child<QWidget>(title, "listChooser");
    const auto activate = [](QWidget* window) {
        window->activateWindow();
        QCoreApplication::processEvents();
        return window->isActiveWindow();
    };
    // The frame pixels around each button on the window's backing store, after the event loop has run its repaints.
    const auto onScreen = [&] {
        QCoreApplication::processEvents();
        const QImage image = title->screen()->grabWindow(title->winId()).toImage();
        const QColor mark(72, 0, 120);
        return std::pair{countNear(image, start->geometry().adjusted(-6, -6, 6, 6), mark, 30),
                         countNear(image, exit->geometry().adjusted(-6, -6, 6, 6), mark, 30)};
    };
    ASSERT_TRUE(activate(title));
    ASSERT_EQ(QApplication::focusWidget(), start);
    EXPECT_GT(onScreen().first, 200);
    EXPECT_EQ(onScreen().second, 0);

    auto* other = new QWidget; // closeAllWindows deletes it with the rest
    other->resize(50, 50);
    other->show();
    ASSERT_TRUE(activate(other));
    ASSERT_FALSE(title->isActiveWindow());
    EXPECT_EQ(onScreen(), (std::pair{0, 0})) << "a frame on an inactive window";
    QTest::keyClick(start, Qt::Key_Tab);
    ASSERT_EQ(title->focusWidget(), exit);
    EXPECT_EQ(onScreen(), (std::pair{0, 0}));
    EXPECT_EQ(countNear(title->grab().toImage(), exit->geometry().adjusted(-6, -6, 6, 6), QColor(72, 0, 120), 30), 0);

    ASSERT_TRUE(activate(title));
    const auto [startMarks, exitMarks] = onScreen();
    EXPECT_EQ(startMarks, 0);
    EXPECT_GT(exitMarks, 200);
    // The frame goes from the buttons to the speed options and the chooser, and comes back with the focus.
    slow->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(onScreen(), (std::pair{0, 0}));
    chooser->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(onScreen(), (std::pair{0, 0}));
    exit->setFocus(Qt::TabFocusReason);
    EXPECT_GT(onScreen().second, 200);

    // Enter, sent where keys go, presses the button the frame is on.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(openWindows(QStringLiteral("Form2")).empty());
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text, TitleScreen::farewellText());
    EXPECT_EQ(ends.statuses, std::vector<int>{0});
    closeAllWindows();
}

// A first-time player is told, in the box itself, what to do.
TEST_F(Aids, TheInputBoxSaysHowToPlay)
{
    GameScreen* form = openOn(QStringLiteral("ねこ"));
    const QString tip = child<InputBox>(form, "Text1")->toolTip();
    EXPECT_TRUE(tip.contains(QStringLiteral("ローマ字"))) << tip;
    EXPECT_TRUE(tip.contains(QStringLiteral("Enter"))) << tip;
    EXPECT_TRUE(tip.contains(QStringLiteral("F1"))) << tip;
}
