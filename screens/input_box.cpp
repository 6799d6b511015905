#include "screens/input_box.h"

#include "screens/text_and_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QTextCharFormat>

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

InputBox::InputBox(QWidget* parent) : QLineEdit(parent)
{
    setAttribute(Qt::WA_InputMethodEnabled);
    // Room at the right for the mode mark, so typed text never runs under it.
    setTextMargins(0, 0, 28, 0);
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
        Q_EMIT keyDown(text());
        if (composeKey(key)) {
            event->accept();
            return true;
        }
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
    if (plain && typed.size() == 1 && typed.at(0).unicode() >= 0x20 && typed.at(0).unicode() < 0x7F) {
        showComposition(qtext(composer.feed(typed.at(0).unicode())));
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
    if (!event->commitString().isEmpty())
        Q_EMIT keyDown(text());
    if (!composer.pending().empty())
        composer.reset();
    QLineEdit::inputMethodEvent(event);
}

void InputBox::focusOutEvent(QFocusEvent* event)
{
    commitPending();
    QLineEdit::focusOutEvent(event);
}

void InputBox::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    // A small, dim mark of the mode at the right end: あ, ア or A.
    static const QString marks[] = {QStringLiteral("あ"), QStringLiteral("ア"), QStringLiteral("A")};
    QPainter painter(this);
    QFont markFont = font();
    markFont.setItalic(false);
    markFont.setPointSizeF(10.5);
    painter.setFont(markFont);
    QColor mark = palette().color(QPalette::Text);
    mark.setAlpha(110);
    painter.setPen(mark);
    painter.drawText(rect().adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
                     marks[static_cast<int>(inputMode)]);
}

} // namespace fururupo
