#include "screens/input_box.h"

#include "screens/text_and_placement.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QPen>
#include <QTextCharFormat>
#include <QTextLayout>

#include <algorithm>

namespace fururupo {

namespace {

// Keys before which the pending letters must be settled, as an input method settles them.
bool settlesPending(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Delete:
        return true;
    default:
        // Printable text the composer does not take, such as a kana from a Japanese keyboard layout.
        return !key.text().isEmpty() && key.text().at(0).isPrint();
    }
}

} // namespace

bool InputBox::guideOn = false;

InputBox::InputBox(QWidget* parent) : QLineEdit(parent)
{
    setAttribute(Qt::WA_InputMethodEnabled);
    // Room at the right for the mode mark, so typed text never runs under it.
    setTextMargins(0, 0, 28, 0);
    setMaxLength(longestText);
    setToolTip(QStringLiteral("ローマ字で単語を入力して Enter を押してください。F1 でローマ字のガイドを表示します。"));
}

void InputBox::setWord(std::u16string_view shown)
{
    word = std::u16string(shown);
    update();
}

void InputBox::showGuide(bool on)
{
    guideOn = on;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* box = qobject_cast<InputBox*>(widget))
            box->update();
    }
}

// The guide's spellings never run across a change of script, so a switch is due exactly when nothing is pending and
// the word's next kana is of the other script than the mode; ー, punctuation and anything else switch nothing.
bool InputBox::needsScriptSwitch(const QString& committed) const
{
    if (!composer.pending().empty() || inputMode == Mode::Direct ||
        static_cast<std::size_t>(committed.size()) >= word.size())
        return false;
    const char16_t next = word[static_cast<std::size_t>(committed.size())];
    const bool hiragana = next >= u'\u3041' && next <= u'\u3096';
    const bool katakana = next >= u'\u30A1' && next <= u'\u30FA';
    return (hiragana && inputMode == Mode::Katakana) || (katakana && inputMode == Mode::Hiragana);
}

const RomajiHint& InputBox::currentHint() const
{
    static const RomajiHint none{u"", RomajiHint::noMistake, false};
    if (!guideOn || word.empty())
        return none;
    const QString committed = text();
    GuideSeen& seen = guideSeen;
    if (!seen.valid || seen.text != committed || seen.pending != composer.pending() || seen.word != word ||
        seen.family != guide.family() || seen.mode != inputMode) {
        seen.text = committed;
        seen.pending = composer.pending();
        seen.word = word;
        seen.family = guide.family();
        seen.mode = inputMode;
        seen.hint = guide.hint(word, committed.toStdU16String(), composer.pending());
        QString rest = qtext(seen.hint.rest);
        if (!rest.isEmpty() && !seen.hint.mistaken() && needsScriptSwitch(committed))
            rest.prepend(QStringLiteral("F7 "));
        if (rest != seen.rest) {
            seen.rest = rest;
            seen.restText.setTextFormat(Qt::PlainText);
            seen.restText.setText(rest);
        }
        seen.valid = true;
    }
    return seen.hint;
}

QString InputBox::guideText() const
{
    const RomajiHint& hint = currentHint();
    return hint.mistaken() || hint.rest.empty() ? QString() : guideSeen.rest;
}

int InputBox::markedMistake() const
{
    const RomajiHint& hint = currentHint();
    return hint.mistaken() ? static_cast<int>(hint.mistakeAt) : -1;
}

QVariant InputBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The words are Japanese: ask the input method to compose in Japanese.
    if (query == Qt::ImPreferredLanguage)
        return QLocale(QLocale::Japanese, QLocale::Japan).name();
    return QLineEdit::inputMethodQuery(query);
}

void InputBox::setMode(Mode mode)
{
    commitPending();
    inputMode = mode;
    composer.setScript(mode == Mode::Katakana ? Script::Katakana : Script::Hiragana);
    update();
}

void InputBox::resetText(const QString& text)
{
    composer.reset();
    showComposition({});
    if (hasFocus())
        QGuiApplication::inputMethod()->reset();
    setText(text);
}

QString InputBox::pendingLetters() const
{
    return qtext(composer.pending());
}

bool InputBox::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        // The n (or ') after an early ん belongs to that ん, as the rest of "nn": when its key-down accepts the word
        // the box is emptied, and the key must not start the next word with a stray n.
        const char16_t typed = key.text().size() == 1 ? key.text().at(0).unicode() : u'\0';
        const bool finishesEarlyN = inputMode != Mode::Direct && composer.finishesEarlyN(typed);
        Q_EMIT keyDown(text());
        if (finishesEarlyN && !composer.finishesEarlyN(typed)) {
            event->accept();
            return true;
        }
        // What the key did, once it has done it: a key that typed something or changed the text, not a mode key or
        // Shift on its own.
        const QString textBefore = text();
        const std::u16string pendingBefore = composer.pending();
        const bool typesSomething = typed != u'\0' && QChar(typed).isPrint();
        const auto announceEffect = [&] {
            if (typesSomething || text() != textBefore || composer.pending() != pendingBefore)
                Q_EMIT keyTaken(text());
        };
        if (composeKey(key)) {
            event->accept();
            announceEffect();
            return true;
        }
        const bool handled = QLineEdit::event(event);
        announceEffect();
        return handled;
    }
    return QLineEdit::event(event);
}

bool InputBox::composeKey(const QKeyEvent& key)
{
    const bool plain = !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    switch (key.key()) {
    case Qt::Key_Zenkaku_Hankaku:
    case Qt::Key_Zenkaku:
    case Qt::Key_Hankaku:
    case Qt::Key_F10:
        setMode(inputMode == Mode::Direct ? Mode::Hiragana : Mode::Direct);
        return true;
    case Qt::Key_Hiragana_Katakana:
    case Qt::Key_Katakana:
    case Qt::Key_F7:
        setMode(inputMode == Mode::Katakana ? Mode::Hiragana : Mode::Katakana);
        return true;
    case Qt::Key_Hiragana:
    case Qt::Key_F6:
        setMode(Mode::Hiragana);
        return true;
    case Qt::Key_F1:
        showGuide(!guideOn);
        return true;
    default:
        break;
    }
    if (inputMode == Mode::Direct)
        return false;
    if (plain && key.key() == Qt::Key_Backspace && composer.backspace()) {
        showComposition({});
        return true;
    }
    if (plain && key.key() == Qt::Key_Escape && !composer.pending().empty()) {
        composer.reset();
        showComposition({});
        return true;
    }
    const QString typed = key.text();
    // A full box takes no more letters, not even pending ones: the key has been announced, and that is all it does.
    if (plain && typed.size() == 1 && typed.at(0).isPrint() && text().size() >= maxLength())
        return true;
    if (plain && typed.size() == 1 && typed.at(0).unicode() >= 0x20 && typed.at(0).unicode() < 0x7F) {
        const char16_t letter = typed.at(0).unicode();
        const std::u16string pendingBefore = composer.pending();
        const std::u16string committed =
            word.empty() ? composer.feed(letter) : composer.feed(letter, word, text().toStdU16String());
        guide.follow(pendingBefore, letter);
        showComposition(qtext(committed));
        return true;
    }
    if (settlesPending(key))
        commitPending();
    return false;
}

void InputBox::showComposition(const QString& commit)
{
    const QString preedit = qtext(composer.pending());
    QList<QInputMethodEvent::Attribute> attributes;
    if (!preedit.isEmpty()) {
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        attributes.append({QInputMethodEvent::TextFormat, 0, static_cast<int>(preedit.size()), underlined});
        attributes.append({QInputMethodEvent::Cursor, static_cast<int>(preedit.size()), 1, QVariant()});
    }
    QInputMethodEvent composition(preedit, attributes);
    composition.setCommitString(commit);
    // Straight to the line edit: our own composition is not an input method's commit and is no key-down.
    QLineEdit::inputMethodEvent(&composition);
}

void InputBox::commitPending()
{
    if (!composer.pending().empty())
        showComposition(qtext(composer.flush()));
}

void InputBox::inputMethodEvent(QInputMethodEvent* event)
{
    // A real input method swallows the keys behind its commit, so the commit itself counts as the key-down.
    const bool commits = !event->commitString().isEmpty();
    if (commits)
        Q_EMIT keyDown(text());
    if (!composer.pending().empty())
        composer.reset();
    QLineEdit::inputMethodEvent(event);
    if (commits)
        Q_EMIT keyTaken(text());
}

void InputBox::focusOutEvent(QFocusEvent* event)
{
    commitPending();
    QLineEdit::focusOutEvent(event);
}

void InputBox::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    paintGuide(painter);
    // A small, dim mark of the mode at the right end: あ, ア or A.
    const ModeMark& mark = modeMark();
    QColor dim = palette().color(QPalette::Text);
    dim.setAlpha(110);
    painter.setPen(dim);
    const int shown = static_cast<int>(inputMode);
    mark.layout[shown].lineAt(0).draw(&painter, mark.at[shown]);
}

const InputBox::ModeMark& InputBox::modeMark() const
{
    static const QString marks[] = {QStringLiteral("あ"), QStringLiteral("ア"), QStringLiteral("A")};
    ModeMark& mark = modeMarks;
    if (mark.valid && mark.size == size() && mark.boxFont == font())
        return mark;
    mark.boxFont = font();
    mark.size = size();
    mark.font = font();
    mark.font.setItalic(false);
    mark.font.setPointSizeF(10.5);
    // Laid out and placed as drawText lays out and places a line right-aligned and centred in the box, short of its
    // right edge, so the mark looks the same; only the shaping is kept from one paint to the next.
    const QRectF area = rect().adjusted(0, 0, -6, 0);
    for (int i = 0; i < 3; ++i) {
        QTextLayout& layout = mark.layout[i];
        layout.setText(marks[i]);
        layout.setFont(mark.font);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setPosition(QPointF(0, 0));
        layout.endLayout();
        mark.at[i] = QPointF(area.right() - line.horizontalAdvance(),
                             area.top() + (area.height() - line.ascent() - line.descent()) / 2);
    }
    mark.valid = true;
    return mark;
}

void InputBox::paintGuide(QPainter& painter) const
{
    const RomajiHint& hint = currentHint();
    if (hint.rest.empty() && !hint.mistaken())
        return;
    // Where the line edit drew the text: the cursor sits after the committed text before it and after our pending
    // letters, so the start and the end of the text follow from the cursor and the widths around it.
    const QFontMetricsF metrics(font());
    const QString committed = text();
    const QString pending = qtext(composer.pending());
    const QRect cursor = cursorRect();
    const qreal cursorX = cursor.left() + cursor.width() / 2.0;
    const int cursorAt = cursorPosition();
    // Where the text starts: the cursor less the text before it, committed and pending.
    const auto startX = [&] { return cursorX - metrics.horizontalAdvance(committed.left(cursorAt) + pending); };
    const QRect area = contentsRect().adjusted(0, 0, -textMargins().right(), 0);
    painter.save();
    painter.setClipRect(area);
    if (hint.mistaken()) {
        // A red line under the text from the first wrong kana on (or under the pending letters that cannot lead on).
        const qreal start = startX();
        const int at = static_cast<int>(hint.mistakeAt);
        const qreal from = start + metrics.horizontalAdvance(committed.left(at));
        const qreal to = start + metrics.horizontalAdvance(at < committed.size() ? committed : committed + pending);
        const qreal y = cursor.top() + metrics.ascent() + metrics.underlinePos() + 1;
        painter.setPen(QPen(QColor(255, 64, 64), 2.5));
        painter.drawLine(QPointF(from, y), QPointF(std::max(to, from + 4), y));
    } else {
        // With the cursor at the end, as it is while typing, the text ends where the cursor stands.
        const qreal endX =
            cursorAt == committed.size() ? cursorX : startX() + metrics.horizontalAdvance(committed + pending);
        QColor dim = palette().color(QPalette::Text);
        dim.setAlpha(100);
        painter.setPen(dim);
        painter.setFont(font());
        painter.drawStaticText(QPointF(endX + 2, cursor.top()), guideSeen.restText);
    }
    painter.restore();
}

} // namespace fururupo
