#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"

#include "screen_test_support.h"

#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// Types romaji key by key, as a player on a keyboard without an input method would.
void typeRomaji(InputBox& box, const QString& keys)
{
    QTest::keyClicks(&box, keys);
}

void commitFromInputMethod(InputBox& box, const QString& commit, const QString& preedit = {})
{
    QInputMethodEvent event(preedit, {});
    event.setCommitString(commit);
    QCoreApplication::sendEvent(&box, &event);
}

// Keys without a character, such as 半角/全角, which QTest cannot click.
void pressModeKey(InputBox& box, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &release);
}

} // namespace

TEST(InputBox, ComposesEveryCommonSpellingIntoHiragana)
{
    const std::pair<const char*, const char*> rows[] = {
        {"sakura", "さくら"},
        {"shinbun", "しんぶん"},
        {"sinbun", "しんぶん"},
        {"kanji", "かんじ"},
        {"kanzi", "かんじ"},
        {"tukue", "つくえ"},
        {"tsukue", "つくえ"},
        {"fune", "ふね"},
        {"hune", "ふね"},
        {"chawan", "ちゃわん"},
        {"tyawan", "ちゃわん"},
        {"cyawan", "ちゃわん"},
        {"jagaimo", "じゃがいも"},
        {"zyagaimo", "じゃがいも"},
        {"jyagaimo", "じゃがいも"},
        {"gakkou", "がっこう"},
        {"matcha", "まっちゃ"},
        {"kitte", "きって"},
        {"konnya", "こんや"},
        {"kon'ya", "こんや"},
        {"hon'ya", "ほんや"},
        {"kinnen", "きんえん"},
        {"onnna", "おんな"},
        {"hannnou", "はんのう"},
        {"xtu", "っ"},
        {"ltsu", "っ"},
        {"lyu", "ゅ"},
        {"xa", "ぁ"},
        {"xwa", "ゎ"},
        {"sixya", "しゃ"},
        {"ra-menn", "らーめん"},
        {"hai,iie.", "はい、いいえ。"},
        {"[kagi]", "「かぎ」"},
        {"dhisuku", "でぃすく"},
        {"fa", "ふぁ"},
        {"xn", "ん"},
        {"ryokou", "りょこう"},
        {"myaku", "みゃく"},
        {"pyonpyon", "ぴょんぴょん"},
    };
    for (const auto& [keys, kana] : rows) {
        InputBox box;
        typeRomaji(box, QString::fromLatin1(keys));
        QTest::keyClick(&box, Qt::Key_Return); // settles a final n
        EXPECT_EQ(box.text(), QString::fromUtf8(kana)) << keys;
        EXPECT_EQ(box.pendingLetters(), "") << keys;
    }
}

// Letters still pending are shown but are not text: a check on the next key must not see "k" as part of the word.
TEST(InputBox, PendingLettersAreNeverPartOfTheText)
{
    InputBox box;
    QStringList seen;
    QObject::connect(&box, &InputBox::keyDown, [&](const QString& before) { seen.append(before); });
    typeRomaji(box, QStringLiteral("nek"));
    EXPECT_EQ(box.text(), QStringLiteral("ね"));
    EXPECT_EQ(box.pendingLetters(), QStringLiteral("k"));
    EXPECT_EQ(box.displayText(), QStringLiteral("ね"));
    typeRomaji(box, QStringLiteral("o"));
    EXPECT_EQ(box.text(), QStringLiteral("ねこ"));
    // Each key saw the committed text before it: the kana a key commits is not seen by that key's own check.
    EXPECT_EQ(seen, (QStringList{"", "", "ね", "ね"}));
}

TEST(InputBox, BackspaceRemovesAPendingLetterFirstThenCommittedText)
{
    InputBox box;
    typeRomaji(box, QStringLiteral("nekky"));
    EXPECT_EQ(box.text(), QStringLiteral("ねっ"));
    EXPECT_EQ(box.pendingLetters(), QStringLiteral("ky"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.pendingLetters(), QStringLiteral("k"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.pendingLetters(), "");
    EXPECT_EQ(box.text(), QStringLiteral("ねっ"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), QStringLiteral("ね"));
}

TEST(InputBox, ModeKeysSwitchBetweenHiraganaKatakanaAndLatin)
{
    InputBox box;
    typeRomaji(box, QStringLiteral("ka"));
    QTest::keyClick(&box, Qt::Key_F7);
    EXPECT_EQ(box.mode(), InputBox::Mode::Katakana);
    typeRomaji(box, QStringLiteral("ka-do"));
    QTest::keyClick(&box, Qt::Key_F10);
    EXPECT_EQ(box.mode(), InputBox::Mode::Direct);
    typeRomaji(box, QStringLiteral("ka"));
    pressModeKey(box, Qt::Key_Zenkaku_Hankaku);
    EXPECT_EQ(box.mode(), InputBox::Mode::Hiragana);
    typeRomaji(box, QStringLiteral("ka"));
    EXPECT_EQ(box.text(), QStringLiteral("かカードkaか"));
    // A mode key settles what is pending instead of dropping it.
    typeRomaji(box, QStringLiteral("n"));
    QTest::keyClick(&box, Qt::Key_F7);
    EXPECT_EQ(box.text(), QStringLiteral("かカードkaかん"));
}

// A real input method swallows the keys: each of its events that changes something is the key-down, checked before
// it lands; a repeat of the composition as it stands is no key.
TEST(InputBox, EachInputMethodEventThatChangesSomethingIsAKeyDownAndNothingIsConvertedAgain)
{
    InputBox box;
    QStringList seen;
    QObject::connect(&box, &InputBox::keyDown, [&](const QString& before) { seen.append(before); });
    commitFromInputMethod(box, {}, QStringLiteral("ねこ"));
    commitFromInputMethod(box, {}, QStringLiteral("ねこ"));
    EXPECT_EQ(box.text(), "");
    EXPECT_EQ(seen, QStringList{""});
    commitFromInputMethod(box, QStringLiteral("ねこ"));
    commitFromInputMethod(box, {});
    commitFromInputMethod(box, QStringLiteral("ka"));
    EXPECT_EQ(box.text(), QStringLiteral("ねこka"));
    EXPECT_EQ(seen, (QStringList{"", "", "ねこ"}));
}

TEST(InputBox, ResettingTheTextDropsAPendingSyllable)
{
    InputBox box;
    typeRomaji(box, QStringLiteral("ky"));
    box.resetText(QString());
    typeRomaji(box, QStringLiteral("a"));
    EXPECT_EQ(box.text(), QStringLiteral("あ"));
    commitFromInputMethod(box, {}, QStringLiteral("かな"));
    box.resetText(QStringLiteral(" "));
    EXPECT_EQ(box.text(), " ");
    EXPECT_EQ(box.displayText(), " ");
}

// A whole game on a keyboard without an input method: every word typed in romaji, each accepted on Enter.
TEST(InputBox, AWholeGameCanBeWonByTypingRomaji)
{
    WordFolder words{{{QStringLiteral("しんぶん"), QStringLiteral("まいあさ とどく")}}};
    ProcessEndRecorder ends;
    GameApp app(words.folder());
    auto* form = app.startGame(false, true, false);
    auto* box = child<InputBox>(form, "Text1");
    tick(form, "Timer1", 4);
    for (int star = 1; star <= 21; ++star) {
        tick(form, "Timer2");
        ASSERT_EQ(text(form, "Label4"), QStringLiteral("しんぶん"));
        if (star % 2) {
            // The box knows the word: a final lone n is ん at once, so one Enter answers "shinbun".
            typeRomaji(*box, QStringLiteral("shinbun"));
            EXPECT_EQ(text(form, "Text1"), QStringLiteral("しんぶん"));
            EXPECT_EQ(box->pendingLetters(), "");
            // The word is complete in the box, but the key that completed it does not count.
            EXPECT_EQ(text(form, "Label2").size(), star - 1);
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            // The second n of "nn" is the key after the complete word: it answers, and leaves no stray n behind.
            typeRomaji(*box, QStringLiteral("sinbunn"));
            EXPECT_EQ(text(form, "Text1"), "");
            EXPECT_EQ(box->pendingLetters(), "");
        }
        EXPECT_EQ(text(form, "Label2").size(), star);
    }
    EXPECT_TRUE(text(form, "Label4").startsWith(QStringLiteral("おめでとう!\n記録：")));
    // The next game starts in hiragana again, whatever mode the last one ended in.
    QTest::keyClick(box, Qt::Key_F10);
    click(form, "Label6");
    EXPECT_EQ(box->mode(), InputBox::Mode::Hiragana);
    closeAllWindows();
}
