// Every way of typing a word on the real game screen: kana input by the keys' places (scan codes as X11 and Wayland
// deliver them), an input method's events as fcitx5 with mozc sends them, and romaji; what each counts, and the key
// that answers a word never landing in the box after it.
#include "logic/kana_keyboard.h"
#include "logic/kana_marks.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"

#include "screen_test_support.h"

#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextCharFormat>

#include <map>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// A key pressed at its place on the keyboard, as the platform delivers it: its X keycode as the scan code, and the
// key and text a US layout gives it, which kana input must not read.
void pressAt(QWidget* box, KeyboardKey key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const KeyboardKeyInfo& info = infoOf(key);
    QString text;
    int qtKey = Qt::Key_unknown;
    if (key == KeyboardKey::Space) {
        text = QStringLiteral(" ");
        qtKey = Qt::Key_Space;
    } else if (info.usName.size() == 1) {
        const QChar legend(info.usName[0]);
        text = modifiers.testFlag(Qt::ShiftModifier) ? legend.toUpper() : legend.toLower();
        qtKey = legend.toUpper().unicode();
    }
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, info.x11Keycode, 0, 0, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, info.x11Keycode, 0, 0, text);
    QCoreApplication::sendEvent(box, &release);
}

// Presses, for each character, the key that types it in kana input, with Shift where it takes it; a voiced kana is
// its kana, then its mark.
void typeKana(QWidget* box, std::u16string_view kana)
{
    for (const char16_t c : kana) {
        const MarkedKana parts = strokeOfKana(c) ? MarkedKana{c, 0} : splitSoundMark(c);
        for (const char16_t part : {parts.kana, parts.mark}) {
            if (part == 0)
                continue;
            const std::optional<KeyStroke> stroke = strokeOfKana(part);
            ASSERT_TRUE(stroke.has_value()) << QString(QChar(c));
            pressAt(box, stroke->key, stroke->shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
    }
}

// Alt + カタカナ/ひらがな, as X11's Japanese layout sends it: the Romaji key, at the place of カタカナ/ひらがな.
void switchKanaInput(QWidget* box)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Romaji, Qt::AltModifier, 101, 0, 0, {});
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Romaji, Qt::AltModifier, 101, 0, 0, {});
    QCoreApplication::sendEvent(box, &release);
}

void pressKeyOn(QWidget* box, Qt::Key key, quint32 scanCode = 0)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, scanCode, 0, 0, {});
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, scanCode, 0, 0, {});
    QCoreApplication::sendEvent(box, &release);
}

// The input method's composition as mozc shows it through fcitx5: underlined, with its cursor; an empty one still
// carries a cursor.
void compose(QWidget* box, const QString& preedit, int cursor)
{
    QList<QInputMethodEvent::Attribute> attributes;
    if (!preedit.isEmpty()) {
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        attributes.append({QInputMethodEvent::TextFormat, 0, static_cast<int>(preedit.size()), underlined});
    }
    attributes.append({QInputMethodEvent::Cursor, cursor, 1, QVariant()});
    QInputMethodEvent event(preedit, attributes);
    QCoreApplication::sendEvent(box, &event);
}

// Its commit, followed as fcitx5 follows every commit by an empty composition with a cursor.
void commit(QWidget* box, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(box, &event);
    compose(box, {}, 0);
}

// Romaji typed into mozc and composed as it composes them, one event a key: "shashinn" is eight.
void composeShashin(QWidget* box)
{
    for (const char* preedit : {"ｓ", "ｓｈ", "しゃ", "しゃｓ", "しゃｓｈ", "しゃし", "しゃしｎ", "しゃしん"}) {
        const QString text = QString::fromUtf8(preedit);
        compose(box, text, static_cast<int>(text.size()));
    }
}

class TypingStyles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InputBox::showGuide(false);
        InputBox::setKanaInput(false);
    }
    void TearDown() override
    {
        InputBox::showGuide(false);
        InputBox::setKanaInput(false);
        closeAllWindows();
    }

    // A game screen on the words given (MSG.txt), showing its first word.
    GameScreen* openOn(std::vector<WordFolder::Entry> entries)
    {
        words.write(entries);
        return showFirstWord(app.startGame(false, true, false));
    }

    // The same on a table with readings, for words written in kanji.
    GameScreen* openOnTable(const QString& lines)
    {
        QFile file(words.path() + QStringLiteral("/kanji.tsv"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lines.toUtf8());
        file.close();
        EXPECT_TRUE(tableApp.lists().choose(words.folder() / "kanji.tsv"));
        return showFirstWord(tableApp.startGame(false, true, false));
    }

    static GameScreen* showFirstWord(GameScreen* form)
    {
        tick(form, "Timer1", 4);
        tick(form, "Timer2");
        return form;
    }

    WordFolder words;
    GameApp app{words.folder()};
    GameApp tableApp{ListFolders{words.folder(), {}}, QString(), QString()};
    ProcessEndRecorder ends;
};

} // namespace

// Kana input must read the key's place: the desktop's layout (here a US one, typing t, [, z …) is not the player's.
TEST_F(TypingStyles, AWordTypedByJisScanCodesInKanaInputEarnsItsStarAndCountsItsKanaKeys)
{
    GameScreen* form = openOn({{QStringLiteral("がっこう"), QStringLiteral("まなぶところ")}});
    auto* box = child<InputBox>(form, "Text1");
    EXPECT_EQ(box->modeMarkText(), QStringLiteral("あ"));
    QSignalSpy switched(box, &InputBox::kanaInputSwitched);
    switchKanaInput(box);
    ASSERT_TRUE(InputBox::kanaInput());
    EXPECT_EQ(switched.size(), 1);
    EXPECT_EQ(box->modeMarkText(), QStringLiteral("か"));
    typeKana(box, u"か");
    // The か waits for its ゛, underlined, and is no mistake meanwhile.
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(box->pendingLetters(), QStringLiteral("か"));
    typeKana(box, u"゛っこう");
    EXPECT_EQ(box->text(), QStringLiteral("がっこう"));
    EXPECT_EQ(text(form, "Label2"), "");
    pressKeyOn(box, Qt::Key_Return, 36);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    EXPECT_EQ(box->text(), "");
    const GameTally& tally = form->game().tally();
    EXPECT_EQ(tally.keys(), 6); // か ゛ っ こ う and Enter; Shift alone is no key
    EXPECT_EQ(tally.mistakes(), 0);
    EXPECT_EQ(tally.keysTypedAs(TypingStyle::Kana), 5);
    EXPECT_EQ(form->game().typingStyle(), TypingStyle::Kana);

    // F7 types katakana by the same keys, and the mark says so; Alt + カタカナ/ひらがな goes back to romaji.
    pressKeyOn(box, Qt::Key_F7);
    EXPECT_EQ(box->modeMarkText(), QStringLiteral("カ"));
    typeKana(box, u"か゛む");
    EXPECT_EQ(box->text(), QStringLiteral("ガム"));
    switchKanaInput(box);
    EXPECT_FALSE(InputBox::kanaInput());
    EXPECT_EQ(box->modeMarkText(), QStringLiteral("ア"));
    EXPECT_EQ(switched.size(), 2);
}

TEST_F(TypingStyles, InKanaInputAKeyWithNoKanaTypesNothingAndAStrayMarkIsAMistake)
{
    GameScreen* form = openOn({{QStringLiteral("がっこう"), QStringLiteral("まなぶところ")}});
    auto* box = child<InputBox>(form, "Text1");
    switchKanaInput(box);
    pressKeyOn(box, Qt::Key_F2, 68);
    pressKeyOn(box, Qt::Key_Left, 113);
    pressAt(box, KeyboardKey::Tab);
    for (const quint32 scanCode : {94u, 87u, 0u}) {
        // The key of a 102-key layout, a keypad key, and a key with no place at all, each with the text a layout
        // gives it.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, scanCode, 0, 0, QStringLiteral("a"));
        QCoreApplication::sendEvent(box, &press);
    }
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(box->pendingLetters(), "");
    EXPECT_EQ(form->game().tally().keys(), 0);

    // ゛ after a kana that takes none stands as the spacing mark, and the word has none there.
    typeKana(box, u"か゛っ゛");
    EXPECT_EQ(box->text(), QStringLiteral("がっ゛"));
    EXPECT_EQ(form->game().tally().mistakes(), 1);
    pressKeyOn(box, Qt::Key_F1);
    EXPECT_EQ(box->markedMistake(), 2);
    EXPECT_EQ(box->guideText(), "");
}

// The guide leads a kana typist key by key, F7 included where the word changes script.
TEST_F(TypingStyles, TheKanaGuideShowsTheKeysToPressAndFollowingItTypesTheWord)
{
    const std::map<QString, QString> firstShown = {
        {QStringLiteral("ぎゅうにゅう"), QStringLiteral("き゛⇧ゅうに⇧ゅう")},
        {QStringLiteral("ミシンがけ"), QStringLiteral("F7 ミシンか゛け")},
        {QStringLiteral("ヴァイオリン"), QStringLiteral("F7 ウ゛⇧ァイオリン")},
    };
    for (const auto& [word, shown] : firstShown) {
        SCOPED_TRACE(word.toStdString());
        GameScreen* form = openOn({{word, QStringLiteral("せつめい")}});
        auto* box = child<InputBox>(form, "Text1");
        if (!InputBox::kanaInput())
            switchKanaInput(box);
        if (!InputBox::guideShown())
            pressKeyOn(box, Qt::Key_F1);
        EXPECT_EQ(box->guideText(), shown);
        for (int keys = 0; !box->guideText().isEmpty() && keys < 40; ++keys) {
            const QString guide = box->guideText();
            if (guide.startsWith(QStringLiteral("F7 "))) {
                pressKeyOn(box, Qt::Key_F7);
                continue;
            }
            const bool shift = guide.startsWith(QStringLiteral("⇧"));
            const std::optional<KeyStroke> stroke = strokeOfKana(guide.at(shift ? 1 : 0).unicode());
            ASSERT_TRUE(stroke.has_value()) << guide.toStdString();
            EXPECT_EQ(stroke->shift, shift);
            pressAt(box, stroke->key, shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
        EXPECT_EQ(box->text(), word);
        pressKeyOn(box, Qt::Key_Return);
        EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
        EXPECT_EQ(form->game().tally().mistakes(), 0);
        closeAllWindows();
    }
}

// An input method's every key counts, so that keys a minute mean the same as in the game's own box; and the word it
// converts and commits as written answers with no slip and no missed kana.
TEST_F(TypingStyles, EachKeyThroughAnInputMethodCountsAndAConvertedWordAnswersWithoutAMistake)
{
    GameScreen* form = openOnTable(QStringLiteral("写真\tしゃしん\tうつしたもの\n"));
    ASSERT_EQ(text(form, "Label4"), QStringLiteral("写真"));
    auto* box = child<InputBox>(form, "Text1");
    compose(box, {}, 0); // switching the input method on is no key
    composeShashin(box);
    compose(box, QStringLiteral("写真"), 0); // Space converts
    EXPECT_EQ(box->text(), "");
    commit(box, QStringLiteral("写真")); // Enter commits
    EXPECT_EQ(box->text(), QStringLiteral("写真"));
    EXPECT_EQ(text(form, "Label2"), "");
    pressKeyOn(box, Qt::Key_Return, 36); // Enter answers
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    const GameTally& tally = form->game().tally();
    // Eight letters, the conversion, the committing Enter and the answering Enter: the eleven keys pressed.
    EXPECT_EQ(tally.keys(), 11);
    EXPECT_EQ(tally.mistakes(), 0);
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_TRUE(tally.words()[0].converted);
    for (const KanaCount& kana : tally.kana())
        EXPECT_EQ(kana.missed, 0) << QString::fromStdU16String(kana.kana);
    EXPECT_EQ(form->game().typingStyle(), TypingStyle::InputMethod);

    // A composition abandoned with Escape counts its keys and changes nothing; a Latin letter committed in the middle
    // of the word is a mistake at that letter.
    tick(form, "Timer2");
    compose(box, QStringLiteral("ｋ"), 1);
    compose(box, QStringLiteral("か"), 1);
    compose(box, {}, 0);
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(tally.keys(), 14);
    EXPECT_EQ(tally.mistakes(), 0);
    commit(box, QStringLiteral("しゃ"));
    commit(box, QStringLiteral("s"));
    EXPECT_EQ(tally.mistakes(), 1);
    pressKeyOn(box, Qt::Key_F1);
    EXPECT_EQ(box->markedMistake(), 2);
}

// A player's next key after a complete word answers it; whatever that key would have done, the next word must find
// the box empty.
TEST_F(TypingStyles, TheKeyThatAnswersAWordNeverLandsInTheBox)
{
    const std::map<QString, QString> romaji = {{QStringLiteral("しょうぎ"), QStringLiteral("shougi")},
                                               {QStringLiteral("しゃかい"), QStringLiteral("shakai")}};
    GameScreen* form = openOn({{QStringLiteral("しょうぎ"), QStringLiteral("こま")},
                               {QStringLiteral("しゃかい"), QStringLiteral("よのなか")}});
    auto* box = child<InputBox>(form, "Text1");
    // Space after the word: it answers, and leaves no blank behind.
    QTest::keyClicks(box, romaji.at(text(form, "Label4")));
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(box->pendingLetters(), "");
    tick(form, "Timer2");
    QTest::keyClicks(box, romaji.at(text(form, "Label4")));
    EXPECT_EQ(box->text(), text(form, "Label4"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★★"));
    EXPECT_EQ(box->text(), "");

    // An input method's first key of the next word answers too, and its composition goes nowhere.
    tick(form, "Timer2");
    const QString word = text(form, "Label4");
    commit(box, word);
    compose(box, QStringLiteral("ｓ"), 1);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★★★"));
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(box->displayText(), "");
    // Kana input's Space, with the word in the box, answers and types no blank either.
    tick(form, "Timer2");
    switchKanaInput(box);
    typeKana(box, text(form, "Label4").toStdU16String());
    pressAt(box, KeyboardKey::Space);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★★★★"));
    EXPECT_EQ(box->text(), "");
}
