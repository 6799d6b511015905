#pragma once

#include "logic/kana_composer.h"
#include "logic/romaji_guide.h"

#include <QLineEdit>
#include <QStaticText>
#include <QTextLayout>

class QPainter;

namespace fururupo {

// The game screen's input box. Every key that goes down in it is announced with the box's text as it stands before
// that key takes effect, so a word typed completely is checked on the next key, Enter for instance.
//
// The box brings its own full-width kana mode, so words can be typed in romaji without a Japanese input method:
// finished kana are committed at the cursor, letters still pending are shown underlined and are not part of text().
// When a real input method composes (preedit and commit events), the box shows its work and converts nothing again.
// Mode keys: 半角/全角 and F10 switch between kana and direct Latin input; ひらがな/カタカナ and F7 switch between
// hiragana and katakana; F6 returns to hiragana.
//
// The box knows the word on display. A lone pending n before a final ん or before ん and a consonant becomes ん at
// once, so "shinbun" needs one Enter. F1 switches the romaji guide on and off for the rest of the run: after the
// typed text, dimmed, the romaji still to type; once the text stops being the start of the word, a red line under the
// first wrong kana instead. The guide is painted only: it is never part of text() and changes nothing compared.
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

    // The romaji typed but not yet turned into kana.
    QString pendingLetters() const;

    // The word drawn from the list that is on display, or empty while none is (countdown, messages, record).
    void setWord(std::u16string_view word);

    // The romaji guide, shared by every input box of the run; off when the program starts, never saved.
    static bool guideShown() { return guideOn; }
    static void showGuide(bool on);

    // What the guide shows now: the romaji still to type (empty when it shows nothing), and where the first wrong
    // character of the text is (-1 when none is marked). When the next kana to type is of the other script than the
    // box's kana mode (katakana in hiragana mode, or the other way round), the romaji is led by "F7 ", the key that
    // switches: typing what the guide shows, F7 included, always gives the word.
    QString guideText() const;
    int markedMistake() const;

Q_SIGNALS:
    void keyDown(const QString& textBefore);
    // The same key once it has taken effect, with the text as it then stands; only for a key that typed something
    // or changed the text or the pending letters (not for Shift or a mode key alone), and for an input method's commit.
    void keyTaken(const QString& textAfter);

protected:
    // event() rather than keyPressEvent(): Tab and Backtab never reach keyPressEvent, and every key must count.
    bool event(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Handles a key in kana mode or a mode key; false when the line edit should act on it as usual.
    bool composeKey(const QKeyEvent& key);
    // Commits text at the cursor and shows the pending letters as the underlined preedit.
    void showComposition(const QString& commit);
    void commitPending();

    bool needsScriptSwitch(const QString& committed) const;
    // The guide for the text and pending letters as they stand; empty when the guide is off or no word is shown.
    // Worked out once for each text, pending letters, word and spelling family, however often the box is painted.
    const RomajiHint& currentHint() const;
    // Draws the guide's romaji after the text, or the red line under the first wrong kana.
    void paintGuide(QPainter& painter) const;

    // The last guide worked out, with what it was worked out for.
    struct GuideSeen
    {
        QString text;
        std::u16string pending;
        std::u16string word;
        SpellingFamily family = SpellingFamily::Hepburn;
        Mode mode = Mode::Hiragana;
        RomajiHint hint;
        QString rest;
        QStaticText restText; // laid out once, on its first paint
        bool valid = false;
    };

    // The mode marks laid out once for the box's font and size, with where each is drawn.
    struct ModeMark
    {
        QFont boxFont;
        QSize size;
        QFont font;
        QTextLayout layout[3];
        QPointF at[3];
        bool valid = false;
    };
    const ModeMark& modeMark() const;

    KanaComposer composer;
    RomajiGuide guide;
    mutable GuideSeen guideSeen;
    mutable ModeMark modeMarks;
    std::u16string word;
    Mode inputMode = Mode::Hiragana;
    static bool guideOn;
};

} // namespace fururupo
