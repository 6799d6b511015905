// Floods of keys on the game's input box: the box holds a bounded text whatever arrives, so no key costs more than
// the first, and the word on display still answers once the player deletes back.
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"

#include "screen_test_support.h"

#include <QInputMethodEvent>
#include <QTest>

#include <algorithm>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

constexpr int floodKeys = 20000;

// A game screen showing its one word, しんぶん, past the countdown, with every key-down's text recorded.
class Flood : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form = app.startGame(false, true, false);
        box = child<InputBox>(form, "Text1");
        tick(form, "Timer1", 4);
        tick(form, "Timer2");
        ASSERT_EQ(text(form, "Label4"), QStringLiteral("しんぶん"));
        QObject::connect(box, &InputBox::keyDown, [this](const QString& before) {
            ++announced;
            longestAnnounced = std::max(longestAnnounced, before.size());
        });
    }
    void TearDown() override { closeAllWindows(); }

    WordFolder words{{{QStringLiteral("しんぶん"), QStringLiteral("まいあさ とどく")}}};
    GameApp app{words.folder()};
    ProcessEndRecorder ends;
    GameScreen* form = nullptr;
    InputBox* box = nullptr;
    int announced = 0;
    qsizetype longestAnnounced = 0;
};

} // namespace

// Without a bound every key of a flood re-lays out and copies all the keys before it, and the game stalls for the
// square of the flood.
TEST_F(Flood, TwentyThousandKeysLeaveTheBoxAtItsBoundAndEveryKeyIsStillChecked)
{
    const QString keys = QStringLiteral("akyshin");
    for (int i = 0; i < floodKeys; ++i)
        QTest::keyClick(box, keys.at(i % keys.size()).toLatin1());
    EXPECT_EQ(box->text().size(), InputBox::longestText);
    EXPECT_LE(box->pendingLetters().size(), 3);
    EXPECT_EQ(announced, floodKeys);
    EXPECT_EQ(longestAnnounced, InputBox::longestText);
    // Nothing was answered, and the game goes on: the word clock still counts the word down.
    EXPECT_EQ(text(form, "Label2"), "");
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("しんぶん"));
    EXPECT_TRUE(running(form, "Timer2"));
}

TEST_F(Flood, TheBoundHoldsForEveryWayTextComesIn)
{
    // Up to the bound each kana lands; the key after it is announced and refused, pending letters included.
    for (int i = 0; i < InputBox::longestText - 1; ++i)
        QTest::keyClick(box, 'a');
    EXPECT_EQ(box->text().size(), InputBox::longestText - 1);
    QTest::keyClicks(box, QStringLiteral("ka"));
    EXPECT_EQ(box->text().size(), InputBox::longestText);
    EXPECT_TRUE(box->text().endsWith(QStringLiteral("か")));
    QTest::keyClicks(box, QStringLiteral("kk"));
    EXPECT_EQ(box->text().size(), InputBox::longestText);
    EXPECT_EQ(box->pendingLetters(), "");
    // A deleted character makes room for exactly one more.
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QStringLiteral("aa"));
    EXPECT_EQ(box->text().size(), InputBox::longestText);

    // Latin letters typed in direct mode.
    box->resetText({});
    QTest::keyClick(box, Qt::Key_F10);
    ASSERT_EQ(box->mode(), InputBox::Mode::Direct);
    for (int i = 0; i < 1000; ++i)
        QTest::keyClick(box, 'x');
    EXPECT_EQ(box->text().size(), InputBox::longestText);
    QTest::keyClick(box, Qt::Key_F10);

    // Commits of a real input method, many kana at a time.
    box->resetText({});
    for (int i = 0; i < 1000; ++i) {
        QInputMethodEvent commit({}, {});
        commit.setCommitString(QStringLiteral("しんぶんし"));
        QCoreApplication::sendEvent(box, &commit);
    }
    EXPECT_EQ(box->text().size(), InputBox::longestText);
    EXPECT_EQ(longestAnnounced, InputBox::longestText);
}

// The way back from a flood is as long as the bound, not as the flood, and the word answers as before.
TEST_F(Flood, TheWordStillAnswersOnceThePlayerDeletesBackAfterAFlood)
{
    for (int i = 0; i < floodKeys; ++i)
        QTest::keyClick(box, 'a');
    int deletes = 0;
    while (!box->text().isEmpty() && deletes < floodKeys) {
        QTest::keyClick(box, Qt::Key_Backspace);
        ++deletes;
    }
    EXPECT_EQ(deletes, InputBox::longestText);
    QTest::keyClicks(box, QStringLiteral("shinbun"));
    EXPECT_EQ(box->text(), QStringLiteral("しんぶん"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2").size(), 1);
}
