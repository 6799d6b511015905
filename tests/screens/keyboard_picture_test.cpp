// The keyboard picture on the real game screen: F2 shows it below the designed window and remembers it, it lights the
// next key and names its finger as real key events move through the box, a slip lights the key hit instead until it
// is deleted, and on every bundled list the keys it lights, pressed in order, type each entry.
#include "logic/keyboard_layout.h"
#include "player/list_identity.h"
#include "player/records_store.h"
#include "player/settings.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/keyboard_view.h"

#include "screen_test_support.h"
#include "support/bundled_lists.h"
#include "support/word_lines.h"

#include <QInputMethodEvent>
#include <QPaintEvent>
#include <QTest>

#include <map>
#include <memory>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

constexpr int stripHeight = 228;

// The Qt key a key sends through the desktop's layout, for the keys that type no character.
int qtKeyOf(KeyboardLayout layout, KeyboardKey key, char16_t typed)
{
    switch (key) {
    case KeyboardKey::Return:
        return Qt::Key_Return;
    case KeyboardKey::Backspace:
        return Qt::Key_Backspace;
    case KeyboardKey::Grave:
        return layout == KeyboardLayout::Jis ? int(Qt::Key_Zenkaku_Hankaku) : int(Qt::Key_QuoteLeft);
    default:
        break;
    }
    if (key >= KeyboardKey::F1 && key <= KeyboardKey::F12)
        return Qt::Key_F1 + (static_cast<int>(key) - static_cast<int>(KeyboardKey::F1));
    return typed != 0 ? int(QChar(typed).toUpper().unicode()) : int(Qt::Key_unknown);
}

// A key pressed at its place, as X11 delivers it on that keyboard: its keycode as the scan code, with the key and
// the text the desktop's layout gives it.
void pressOn(QWidget* box, KeyboardLayout layout, KeyboardKey key, bool shift = false)
{
    const char16_t typed = characterOfKey(layout, key, shift);
    QString text = typed != 0 ? QString(QChar(typed)) : QString();
    if (key == KeyboardKey::Return)
        text = QStringLiteral("\r");
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
    const int qtKey = qtKeyOf(layout, key, typed);
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, infoOf(key).x11Keycode, 0, 0, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, infoOf(key).x11Keycode, 0, 0, text);
    QCoreApplication::sendEvent(box, &release);
}

void pressLetters(QWidget* box, KeyboardLayout layout, std::u16string_view letters)
{
    for (const char16_t letter : letters) {
        const std::optional<KeyStroke> stroke = strokeOfCharacter(layout, letter);
        ASSERT_TRUE(stroke.has_value());
        pressOn(box, layout, stroke->key, stroke->shift);
    }
}

// Presses whatever the picture lights, Shift and all, until it lights Enter; false if it lights nothing on the way
// or shows a slip.
bool pressLitKeysUntilEnter(QWidget* box, const KeyboardView& view, int limit = 200)
{
    for (int keys = 0; keys < limit; ++keys) {
        const LitKeys& lit = view.lit();
        if (!lit.next || lit.slipped)
            return false;
        if (lit.next->key == KeyboardKey::Return)
            return true;
        pressOn(box, view.keyboardLayout(), lit.next->key, lit.next->shift.has_value());
    }
    return false;
}

// Pixels of the key's place on the picture that are the colour given.
int pixelsOfKey(KeyboardView& view, KeyboardKey key, const QColor& colour)
{
    return countNear(view.grab().toImage(), view.keyRect(key), colour, 30);
}

// Every rectangle the picture was asked to paint.
struct PaintRecorder : QObject
{
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion painted;
};

class KeyboardPicture : public ::testing::Test
{
protected:
    void TearDown() override
    {
        InputBox::showGuide(false);
        InputBox::setKanaInput(false);
        closeAllWindows();
    }

    // A game screen on the words given, showing its first word, its picture on the keyboard given.
    GameScreen* openOn(const std::vector<WordFolder::Entry>& entries, KeyboardLayout layout = KeyboardLayout::Jis)
    {
        words.write(entries);
        GameScreen* form = app.startGame(false, true, false);
        form->setKeyboardLayout(layout);
        tick(form, "Timer1", 4);
        tick(form, "Timer2");
        return form;
    }

    WordFolder words;
    QTemporaryDir home;
    QString settingsFile = home.filePath(QStringLiteral("fururupo.conf"));
    GameApp app{ListFolders{words.folder(), {}}, settingsFile, QString()};
    ProcessEndRecorder ends;
};

} // namespace

// With the picture hidden the window is exactly the designed one; shown, it grows below, and nothing the design
// places moves or changes size. The choice outlives the window and the run.
TEST_F(KeyboardPicture, F2ShowsItBelowTheDesignedWindowAndTheChoiceIsKept)
{
    GameScreen* form = openOn({{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}});
    auto* box = child<InputBox>(form, "Text1");
    auto* view = child<KeyboardView>(form, "keyboardView");
    EXPECT_EQ(form->size(), QSize(836, 530));
    EXPECT_FALSE(view->isVisible());
    std::map<QString, QRect> designed;
    for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control != view)
            designed[control->objectName()] = control->geometry();
    ASSERT_GE(designed.size(), 9u);

    QTest::keyClick(box, Qt::Key_F2);
    EXPECT_TRUE(form->keyboardShown());
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(form->size(), QSize(836, 530 + stripHeight));
    EXPECT_EQ(view->geometry(), QRect(0, 530, 836, stripHeight));
    for (const auto& [name, geometry] : designed)
        EXPECT_EQ(child<QWidget>(form, name.toLatin1().constData())->geometry(), geometry) << name;
    EXPECT_EQ(box->text(), "") << "F2 types nothing";
    EXPECT_TRUE(Settings(settingsFile).value(keyboardShownSetting));

    // A new game screen opens with the picture, as the player left it, on the keyboard the settings choose.
    click(form, "Label3");
    flushDeletes();
    app.settings().setValue(keyboardLayoutSetting, 2);
    GameScreen* again = app.startGame(false, true, false);
    EXPECT_TRUE(again->keyboardShown());
    EXPECT_EQ(child<KeyboardView>(again, "keyboardView")->keyboardLayout(), KeyboardLayout::Us);
    EXPECT_EQ(again->size(), QSize(836, 530 + stripHeight));
    QTest::keyClick(child<QWidget>(again, "Text1"), Qt::Key_F2);
    EXPECT_EQ(again->size(), QSize(836, 530));
    EXPECT_FALSE(child<QWidget>(again, "keyboardView")->isVisible());
    EXPECT_FALSE(Settings(settingsFile).value(keyboardShownSetting));
}

// The lit key follows the spelling the player began, Hepburn or Kunrei, with the finger named beside it; a key
// repaints only what changes.
TEST_F(KeyboardPicture, LightsTheNextKeyAndNamesItsFingerForEitherSpellingOfShashin)
{
    const KeyboardLayout jis = KeyboardLayout::Jis;
    GameScreen* form = openOn({{QStringLiteral("しゃしん"), QStringLiteral("うつしたもの")}});
    auto* box = child<InputBox>(form, "Text1");
    auto* view = child<KeyboardView>(form, "keyboardView");
    QTest::keyClick(box, Qt::Key_F2);
    ASSERT_EQ(view->keyboardLayout(), jis);
    const auto litKey = [&] { return view->lit().next ? view->lit().next->key : KeyboardKey::Escape; };
    EXPECT_EQ(litKey(), KeyboardKey::S);
    EXPECT_EQ(view->fingerLine(), QStringLiteral("左手・薬指"));
    EXPECT_GT(pixelsOfKey(*view, KeyboardKey::S, KeyboardView::fingerColour(Finger::LeftRing)), 300);
    EXPECT_EQ(pixelsOfKey(*view, KeyboardKey::D, KeyboardView::fingerColour(Finger::LeftMiddle)), 0);

    // Hepburn: s, h, a, s, h, i, n, then Enter. The first key repaints the two keys and the finger's name alone.
    QCoreApplication::processEvents();
    PaintRecorder paints;
    view->installEventFilter(&paints);
    pressOn(box, jis, KeyboardKey::S);
    QCoreApplication::processEvents();
    view->removeEventFilter(&paints);
    EXPECT_EQ(litKey(), KeyboardKey::H);
    EXPECT_EQ(view->fingerLine(), QStringLiteral("右手・人さし指"));
    const int panelLeft = view->keyRect(KeyboardKey::F12).right() + 2;
    const QRegion changed = QRegion(view->keyRect(KeyboardKey::S).adjusted(-2, -2, 2, 2)) +
                            view->keyRect(KeyboardKey::H).adjusted(-2, -2, 2, 2) +
                            QRect(panelLeft, 0, view->width() - panelLeft, view->height());
    EXPECT_FALSE(paints.painted.isEmpty());
    EXPECT_TRUE((paints.painted - changed).isEmpty()) << "painted beyond the keys that changed";
    std::u16string lit;
    for (const char16_t letter : std::u16string_view(u"hashin")) {
        lit += characterOfKey(jis, litKey(), false);
        pressLetters(box, jis, std::u16string(1, letter));
    }
    EXPECT_EQ(utf8(lit), "hashin");
    EXPECT_EQ(box->text(), QStringLiteral("しゃしん"));
    EXPECT_EQ(litKey(), KeyboardKey::Return);
    EXPECT_EQ(view->fingerLine(), QStringLiteral("右手・小指"));
    pressOn(box, jis, KeyboardKey::Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    EXPECT_FALSE(view->lit().next.has_value()) << "nothing lit while no word is shown";

    // Kunrei: "sy" leads on to a, then s and i.
    tick(form, "Timer2");
    pressLetters(box, jis, u"sy");
    EXPECT_EQ(litKey(), KeyboardKey::A);
    EXPECT_EQ(view->fingerLine(), QStringLiteral("左手・小指"));
    pressLetters(box, jis, u"as");
    EXPECT_EQ(litKey(), KeyboardKey::I);
    EXPECT_EQ(view->fingerLine(), QStringLiteral("右手・中指"));
}

// The key hit instead shows red beside the lit expected key until the mistake is deleted: found by its scan code, or
// by its character when the key came without one; a key of the other keyboard lights nothing and breaks nothing.
TEST_F(KeyboardPicture, ASlipLightsTheKeyHitInRedUntilItIsDeleted)
{
    const KeyboardLayout jis = KeyboardLayout::Jis;
    GameScreen* form = openOn({{QStringLiteral("かさ"), QStringLiteral("あめのひに")}});
    auto* box = child<InputBox>(form, "Text1");
    auto* view = child<KeyboardView>(form, "keyboardView");
    QTest::keyClick(box, Qt::Key_F2);
    const QColor red = KeyboardView::hitColour();
    pressLetters(box, jis, u"ki");
    EXPECT_EQ(box->text(), QStringLiteral("き"));
    EXPECT_TRUE(view->lit().slipped);
    EXPECT_EQ(view->lit().hit, KeyboardKey::I);
    EXPECT_EQ(view->lit().next->key, KeyboardKey::A);
    EXPECT_GT(pixelsOfKey(*view, KeyboardKey::I, red), 300);
    EXPECT_GT(pixelsOfKey(*view, KeyboardKey::A, KeyboardView::fingerColour(Finger::LeftPinky)), 300);
    // A second wrong key keeps the first slip's keys.
    pressLetters(box, jis, u"o");
    EXPECT_EQ(view->lit().hit, KeyboardKey::I);
    pressOn(box, jis, KeyboardKey::Backspace);
    EXPECT_EQ(view->lit().hit, KeyboardKey::I);
    pressOn(box, jis, KeyboardKey::Backspace);
    EXPECT_FALSE(view->lit().slipped);
    EXPECT_FALSE(view->lit().hit.has_value());
    EXPECT_EQ(view->lit().next->key, KeyboardKey::K);
    EXPECT_EQ(pixelsOfKey(*view, KeyboardKey::I, red), 0);

    // No scan code: the key is the one that types the character.
    QTest::keyClick(box, 'q');
    EXPECT_EQ(view->lit().hit, KeyboardKey::Q);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_FALSE(view->lit().slipped);

    // ろ pressed on a US keyboard's picture: the slip is seen, nothing is lit red.
    form->setKeyboardLayout(KeyboardLayout::Us);
    QKeyEvent ro(QEvent::KeyPress, Qt::Key_Backslash, Qt::NoModifier, infoOf(KeyboardKey::Ro).x11Keycode, 0, 0,
                 QStringLiteral("\\"));
    QCoreApplication::sendEvent(box, &ro);
    EXPECT_TRUE(view->lit().slipped);
    EXPECT_FALSE(view->lit().hit.has_value());
    const QImage image = view->grab().toImage();
    EXPECT_EQ(countNear(image, QRect(0, 0, view->keyRect(KeyboardKey::F12).right() + 2, image.height()), red, 30), 0);
}

// The mode keys, kana input's own keys, and an input method's composition.
TEST_F(KeyboardPicture, LightsTheModeKeysTheKanaKeysAndFollowsAnInputMethod)
{
    const KeyboardLayout jis = KeyboardLayout::Jis;
    GameScreen* form = openOn({{QStringLiteral("ぎゅうニュウ"), QStringLiteral("のみもの")}});
    auto* box = child<InputBox>(form, "Text1");
    auto* view = child<KeyboardView>(form, "keyboardView");
    QTest::keyClick(box, Qt::Key_F2);
    const auto lit = [&] { return view->lit().next.value_or(KeyToPress{KeyboardKey::Escape, {}}); };
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::G, {}}));
    pressOn(box, jis, KeyboardKey::F10);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::Grave, {}}));
    form->setKeyboardLayout(KeyboardLayout::Us);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::F10, {}}));
    pressOn(box, KeyboardLayout::Us, KeyboardKey::F10);
    form->setKeyboardLayout(jis);
    pressLetters(box, jis, u"gyuu");
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::F7, {}}));
    EXPECT_FALSE(view->keyRect(KeyboardKey::F7).isEmpty());
    EXPECT_EQ(view->fingerLine(), QStringLiteral("右手・人さし指"));
    pressOn(box, jis, KeyboardKey::F7);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::N, {}}));

    // Kana input: the kana's key, then its mark; Shift (the other hand's) for the small kana.
    box->resetText({});
    box->setMode(InputBox::Mode::Hiragana);
    InputBox::setKanaInput(true);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::G, {}}));
    pressOn(box, jis, KeyboardKey::G);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::LeftBracket, {}}));
    pressOn(box, jis, KeyboardKey::LeftBracket);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::Digit8, KeyboardKey::LeftShift}));
    EXPECT_GT(pixelsOfKey(*view, KeyboardKey::LeftShift, KeyboardView::fingerColour(Finger::LeftPinky)), 300);
    InputBox::setKanaInput(false);

    // An input method composing: its letters lead on in romaji; a conversion leaves nothing lit and no key red.
    box->resetText({});
    QInputMethodEvent composing(QStringLiteral("ｇｙ"), {});
    QCoreApplication::sendEvent(box, &composing);
    EXPECT_EQ(lit(), (KeyToPress{KeyboardKey::U, {}}));
    QInputMethodEvent converted(QStringLiteral("牛"), {});
    QCoreApplication::sendEvent(box, &converted);
    EXPECT_FALSE(view->lit().next.has_value());
    EXPECT_FALSE(view->lit().hit.has_value());
}

// The keys the picture lights, pressed in order as key events on the real box, must type every entry of every
// bundled list: in romaji begun in Hepburn and in Kunrei, on both keyboards, and in kana input.
TEST_F(KeyboardPicture, OnEveryBundledListTheLitKeysPressedInOrderTypeEachEntry)
{
    // The game's own word is one no entry begins with, so no key of the test answers it.
    GameScreen* form = openOn({{QStringLiteral("ゑゑゑゑ"), QStringLiteral("どのことばでもない")}});
    auto* box = child<InputBox>(form, "Text1");
    auto* view = child<KeyboardView>(form, "keyboardView");
    QTest::keyClick(box, Qt::Key_F2);
    const auto entries = typedTextOfEveryBundledList();
    ASSERT_GT(entries.size(), 1000u);
    struct Way
    {
        const char* name;
        KeyboardLayout layout;
        bool kana;
        std::u16string_view start; // a syllable typed and deleted first, which sets the spelling begun
    };
    for (const Way& way :
         {Way{"Hepburn, JIS", KeyboardLayout::Jis, false, u"shi"},
          Way{"Kunrei, JIS", KeyboardLayout::Jis, false, u"si"}, Way{"Hepburn, US", KeyboardLayout::Us, false, u"shi"},
          Way{"kana input, JIS", KeyboardLayout::Jis, true, {}}}) {
        SCOPED_TRACE(way.name);
        form->setKeyboardLayout(way.layout);
        InputBox::setKanaInput(way.kana);
        pressLetters(box, way.layout, way.start);
        pressOn(box, way.layout, KeyboardKey::Backspace);
        int failures = 0;
        for (const auto& [where, typed] : entries) {
            box->resetText({});
            box->setMode(InputBox::Mode::Hiragana);
            box->setWord(typed);
            const bool reachedEnter = pressLitKeysUntilEnter(box, *view);
            if (!reachedEnter || box->text().toStdU16String() != typed) {
                ADD_FAILURE() << where << ": " << utf8(typed) << " typed as " << box->text().toStdString();
                if (++failures == 5)
                    break;
            }
        }
    }
}

namespace {

// A game screen whose games are kept in a real history file.
class KeySlipsKept : public ::testing::Test
{
protected:
    void TearDown() override { closeAllWindows(); }

    QTemporaryDir home;
    QString recordsFile = home.filePath(QStringLiteral("records.sqlite3"));
    WordFolder words{{{QStringLiteral("かサ"), QStringLiteral("あめのひに")}}};
    std::unique_ptr<GameApp> app = std::make_unique<GameApp>(ListFolders{words.folder(), {}}, QString(), recordsFile);
    ProcessEndRecorder ends;
};

} // namespace

// Each key counts against the key that was lit before it, with the picture hidden or shown: a slip is missed for the
// key expected and kept as expected → hit; a wrong letter still pending is a slip too; keys after a slip, until it is
// deleted, and corrections count for no key; the mode key F7, which types nothing, and the key that answers count as
// pressed. A new store on the same file, after the game is gone, reads it all back.
TEST_F(KeySlipsKept, AGameCountsItsKeysAgainstTheLitKeysAndTheSlipsOutliveTheRun)
{
    const KeyboardLayout jis = KeyboardLayout::Jis;
    GameScreen* form = app->startGame(false, true, false);
    form->setKeyboardLayout(jis);
    ASSERT_FALSE(form->keyboardShown());
    tick(form, "Timer1", 4);
    tick(form, "Timer2");
    auto* box = child<InputBox>(form, "Text1");

    // Hidden: "ki" slips from A to I, and "o" after it and both Backspaces count for nothing; after F7, "j" slips from
    // S to J while still pending; the Backspace after a right "s" is a correction.
    pressLetters(box, jis, u"kio");
    pressOn(box, jis, KeyboardKey::Backspace);
    pressOn(box, jis, KeyboardKey::Backspace);
    pressLetters(box, jis, u"ka");
    pressOn(box, jis, KeyboardKey::F7);
    pressLetters(box, jis, u"j");
    pressOn(box, jis, KeyboardKey::Backspace);
    pressLetters(box, jis, u"s");
    pressOn(box, jis, KeyboardKey::Backspace);
    pressLetters(box, jis, u"sa");
    pressOn(box, jis, KeyboardKey::Return);
    ASSERT_EQ(text(form, "Label2"), QStringLiteral("★"));

    // Shown: the box is still in katakana, so F7 leads; then the slip from A to I again.
    tick(form, "Timer2");
    QTest::keyClick(box, Qt::Key_F2);
    ASSERT_TRUE(form->keyboardShown());
    pressOn(box, jis, KeyboardKey::F7);
    pressLetters(box, jis, u"ki");
    pressOn(box, jis, KeyboardKey::Backspace);
    pressLetters(box, jis, u"ka");
    pressOn(box, jis, KeyboardKey::F7);
    pressLetters(box, jis, u"sa");
    pressOn(box, jis, KeyboardKey::Return);
    ASSERT_EQ(text(form, "Label2"), QStringLiteral("★★"));
    click(form, "Label3"); // 帰る keeps the game left after two words
    flushDeletes();
    closeAllWindows();
    const QByteArray list = listIdentityOf(app->lists().chosen().path);
    app.reset();

    RecordsStore reader(recordsFile);
    const History history = reader.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
    std::map<KeyboardKey, std::pair<std::int64_t, std::int64_t>> keys;
    for (const KeyMisses& key : history.keys)
        keys[key.key] = {key.expected, key.missed};
    const std::map<KeyboardKey, std::pair<std::int64_t, std::int64_t>> expected = {
        {KeyboardKey::K, {4, 0}},  {KeyboardKey::A, {6, 2}},      {KeyboardKey::S, {4, 1}},
        {KeyboardKey::F7, {3, 0}}, {KeyboardKey::Return, {2, 0}},
    };
    EXPECT_EQ(keys, expected);
    ASSERT_EQ(history.confusions.size(), 2u);
    EXPECT_EQ(history.confusions[0].expected, KeyboardKey::A);
    EXPECT_EQ(history.confusions[0].hit, KeyboardKey::I);
    EXPECT_EQ(history.confusions[0].count, 2);
    EXPECT_EQ(history.confusions[1].expected, KeyboardKey::S);
    EXPECT_EQ(history.confusions[1].hit, KeyboardKey::J);
    EXPECT_EQ(history.confusions[1].count, 1);
}
