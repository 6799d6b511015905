#pragma once

#include "logic/game_tally.h"
#include "logic/kana_composer.h"
#include "logic/kana_input.h"
#include "logic/next_key.h"
#include "logic/romaji_guide.h"
#include "player/settings.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QStaticText>
#include <QTextLayout>

#include <optional>

class QPainter;

namespace fururupo {

// Whether the game's own box types kana by their keys (JIS かな入力) rather than romaji, remembered between runs.
inline constexpr Setting<bool> kanaInputSetting{"input/kana", false};

// The game screen's input box. Every key that goes down in it is announced with the box's text as it stands before
// that key takes effect, so a word typed completely is checked on the next key, Enter for instance. A key whose check
// answers the word (the game empties the box for the next one) does nothing more: it never lands in the emptied box.
//
// The box brings its own full-width kana mode, so words can be typed without a Japanese input method, in romaji or,
// with kana input on, by the JIS kana keys: finished kana are committed at the cursor, letters (or a kana awaiting its
// sound mark) still pending are shown underlined and are not part of text(). Kana input reads each key by its place on
// the keyboard (its scan code), whatever the desktop's layout makes it type. When a real input method composes
// (preedit and commit events), the box shows its work and converts nothing again, and each of its events is a key.
// Mode keys: 半角/全角 and F10 switch between kana and direct Latin input; ひらがな/カタカナ and F7 switch between
// hiragana and katakana; F6 returns to hiragana; Alt + ひらがな/カタカナ switches between romaji and kana input.
//
// The box knows the word on display. A lone pending n before a final ん or before ん and a consonant becomes ん at
// once, so "shinbun" needs one Enter. F1 switches the guide on and off for the rest of the run: after the typed text,
// dimmed, the romaji still to type (or in kana input the keys, か゛ for が); once the text stops being the start of the
// word, a red line under the first wrong kana instead. The guide is painted only: it is never part of text() and
// changes nothing compared.
//
// The box holds at most longestText characters, a few times the longest word, and refuses what would go beyond, so a
// flood of keys costs each key the same as the first: the key is still announced and the game checks the text as it
// stands.
class InputBox : public QLineEdit
{
    Q_OBJECT

public:
    enum class Mode { Hiragana, Katakana, Direct };

    // No word is longer than 31 characters; four times that leaves room for any slip, and nothing typed beyond counts.
    static constexpr int longestText = 128;

    explicit InputBox(QWidget* parent = nullptr);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    Mode mode() const { return inputMode; }
    void setMode(Mode mode);

    // Replaces the text and cancels whatever is being composed, ours or the input method's, so no half-typed
    // syllable leaks into the next word.
    void resetText(const QString& text);

    // The romaji typed but not yet turned into kana, or in kana input the kana awaiting its sound mark.
    QString pendingLetters() const;

    // Kana input (the JIS kana keys) instead of romaji in the box's hiragana and katakana modes, shared by every input
    // box of the run; off when the program starts.
    static bool kanaInput() { return kanaInputOn; }
    static void setKanaInput(bool on);

    // What the mode mark at the right of the box shows: あ or ア (romaji), か or カ (kana input), A (Latin letters).
    QString modeMarkText() const;

    // The word drawn from the list that is on display, or empty while none is (countdown, messages, record).
    void setWord(std::u16string_view word);

    // The romaji guide, shared by every input box of the run; off when the program starts, never saved.
    static bool guideShown() { return guideOn; }
    static void showGuide(bool on);

    // What the guide shows now: the romaji still to type, or in kana input the keys still to press, each as what it
    // types there with ⇧ before a shifted one (empty when it shows nothing); and where the first wrong character of
    // the text is (-1 when none is marked). When the next kana to type is of the other script than the box's kana mode
    // (katakana in hiragana mode, or the other way round), the guide is led by "F7 ", the key that switches: typing
    // what the guide shows, F7 included, always gives the word.
    QString guideText() const;
    int markedMistake() const;

    // Where the player stands in the word on display, for the keyboard picture: the word, the text, what is pending
    // (the box's own letters or kana, or an input method's composition), the mode and the spelling family.
    TypingPoint typingPoint() const;
    // Whether an input method is composing in the box.
    bool composing() const { return !composition.preedit.isEmpty(); }

Q_SIGNALS:
    // A key went down, or an input method's event that is one key arrived (see inputMethodEvent): textBefore is the
    // text before it takes effect.
    void keyDown(const QString& textBefore);
    // The same key once it has taken effect, with the text as it then stands and the way it typed (none for a key that
    // types in no particular way: Enter, Backspace on committed text, a Latin letter in Latin mode); only for a key
    // that typed something or changed the text or the pending letters (not for Shift or a mode key alone), and for
    // every input method event that is a key.
    void keyTaken(const QString& textAfter, std::optional<fururupo::TypingStyle> typedAs);
    // The player's key switched kana input on or off.
    void kanaInputSwitched(bool on);
    // Where the player stands may have moved (see typingPoint): after every key, with that key as it came (its X
    // keycode and the character it typed), and after every input method event, change of word, text or mode, with none.
    void typingMoved(const std::optional<fururupo::PressedKey>& pressed);

protected:
    // event() rather than keyPressEvent(): Tab and Backtab never reach keyPressEvent, and every key must count.
    bool event(QEvent* event) override;
    // An input method's event is one key when it commits text or changes the composition (its text, its cursor or
    // its segments); a repeat of the composition as it stands is none.
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What event() does with a key press, before it tells where the player now stands.
    bool keyPress(const QKeyEvent& key, QEvent& event);
    // Handles a mode key; false for any other key.
    bool switchMode(const QKeyEvent& key);
    // Handles a key in kana mode (romaji or kana input) or a mode key; false when the line edit should act on it as
    // usual. Sets keyTypedAs for a key that typed in one of the box's own ways.
    bool composeKey(const QKeyEvent& key);
    bool composeKanaKey(const QKeyEvent& key);
    // Replaces `replaced` characters before the cursor with commit and shows what is pending as the underlined
    // preedit.
    void showComposition(const QString& commit, int replaced = 0);
    void commitPending();
    QString pendingText() const;
    bool kanaKeys() const { return kanaInputOn && inputMode != Mode::Direct; }
    void updateToolTip();

    bool needsScriptSwitch(const QString& committed) const;
    BoxMode boxMode() const;
    // The last guide worked out, with what it was worked out for.
    struct GuideSeen
    {
        QString text;
        QString pending;
        std::u16string word;
        SpellingFamily family = SpellingFamily::Hepburn;
        Mode mode = Mode::Hiragana;
        bool kana = false;
        // Where the first wrong character is, or RomajiHint::noMistake; and the guide's text when there is none.
        std::size_t mistakeAt = RomajiHint::noMistake;
        QString rest;
        QStaticText restText; // laid out once, on its first paint
        bool valid = false;

        bool mistaken() const { return mistakeAt != RomajiHint::noMistake; }
    };
    // The guide for the text and pending letters as they stand; empty when the guide is off or no word is shown.
    // Worked out once for each text, pending letters, word, spelling family and mode, however often the box is
    // painted.
    const GuideSeen& currentGuide() const;
    // Draws the guide's romaji or keys after the text, or the red line under the first wrong kana.
    void paintGuide(QPainter& painter) const;

    // An input method's composition as its last event left it, to tell a key from a repeat.
    struct Composition
    {
        QString preedit;
        QList<QInputMethodEvent::Attribute> attributes;
    };
    static bool sameComposition(const Composition& seen, const QInputMethodEvent& event);

    // The mode marks laid out once for the box's font and size, with where each is drawn.
    struct ModeMark
    {
        QFont boxFont;
        QSize size;
        QFont font;
        QTextLayout layout[5];
        QPointF at[5];
        bool valid = false;
    };
    const ModeMark& modeMark() const;
    int modeMarkIndex() const;

    KanaComposer composer;
    KanaKeyComposer kanaComposer;
    RomajiGuide guide;
    mutable GuideSeen guideSeen;
    mutable ModeMark modeMarks;
    Composition composition;
    std::u16string word;
    Mode inputMode = Mode::Hiragana;
    // The way the key being handled typed, when it typed in one of the box's own.
    std::optional<TypingStyle> keyTypedAs;
    // Counts resetText() calls, so that a key can tell that its own check emptied the box.
    int resets = 0;
    // True while the input method is told to drop its composition: what it sends meanwhile is no key.
    bool resetting = false;
    static bool guideOn;
    static bool kanaInputOn;
};

} // namespace fururupo
