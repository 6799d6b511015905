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
#include <QLoggingCategory>
#include <QPainter>
#include <QPen>
#include <QTextCharFormat>
#include <QTextLayout>

#include <algorithm>

namespace fururupo {

namespace {

// What the box receives from the keyboard and the input method, key by key, at debug level
// (QT_LOGGING_RULES=fururupo.input.debug=true): how a player's input method talks to the game.
Q_LOGGING_CATEGORY(lcInput, "fururupo.input", QtInfoMsg)

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
bool InputBox::kanaInputOn = false;

InputBox::InputBox(QWidget* parent) : QLineEdit(parent)
{
    setAttribute(Qt::WA_InputMethodEnabled);
    // Room at the right for the mode mark, so typed text never runs under it.
    setTextMargins(0, 0, 28, 0);
    setMaxLength(longestText);
    updateToolTip();
}

void InputBox::updateToolTip()
{
    setToolTip(
        kanaInputOn
            ? QStringLiteral("かな入力で単語を入力して Enter を押してください。F1 で押すキーのガイドを表示します。")
            : QStringLiteral("ローマ字で単語を入力して Enter を押してください。F1 でローマ字のガイドを表示します。"));
}

void InputBox::setKanaInput(bool on)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* box = qobject_cast<InputBox*>(widget))
            box->commitPending();
    }
    kanaInputOn = on;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* box = qobject_cast<InputBox*>(widget)) {
            box->updateToolTip();
            box->update();
            Q_EMIT box->typingMoved(std::nullopt);
        }
    }
}

void InputBox::setWord(std::u16string_view shown)
{
    word = std::u16string(shown);
    update();
    Q_EMIT typingMoved(std::nullopt);
}

void InputBox::showGuide(bool on)
{
    guideOn = on;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* box = qobject_cast<InputBox*>(widget))
            box->update();
    }
}

bool InputBox::needsScriptSwitch(const QString& committed) const
{
    return fururupo::needsScriptSwitch(word, static_cast<std::size_t>(committed.size()), !pendingText().isEmpty(),
                                       boxMode());
}

BoxMode InputBox::boxMode() const
{
    switch (inputMode) {
    case Mode::Hiragana:
        return BoxMode::Hiragana;
    case Mode::Katakana:
        return BoxMode::Katakana;
    case Mode::Direct:
        return BoxMode::Latin;
    }
    return BoxMode::Hiragana;
}

TypingPoint InputBox::typingPoint() const
{
    TypingPoint point;
    point.word = word;
    point.committed = text().toStdU16String();
    point.composing = !composition.preedit.isEmpty();
    point.pending = point.composing ? composition.preedit.toStdU16String() : composer.pending();
    point.pendingKana = kanaComposer.pending();
    point.mode = boxMode();
    point.kanaInput = kanaInputOn;
    point.family = guide.family();
    return point;
}

const InputBox::GuideSeen& InputBox::currentGuide() const
{
    static const GuideSeen none;
    if (!guideOn || word.empty())
        return none;
    const QString committed = text();
    const QString pending = pendingText();
    GuideSeen& seen = guideSeen;
    if (!seen.valid || seen.text != committed || seen.pending != pending || seen.word != word ||
        seen.family != guide.family() || seen.mode != inputMode || seen.kana != kanaInputOn) {
        seen.text = committed;
        seen.pending = pending;
        seen.word = word;
        seen.family = guide.family();
        seen.mode = inputMode;
        seen.kana = kanaInputOn;
        QString rest;
        if (kanaInputOn) {
            const KanaHint hint = guideKana(word, committed.toStdU16String(), kanaComposer.pending());
            seen.mistakeAt = hint.mistakeAt;
            rest = qtext(kanaGuideText(hint.keys));
        } else {
            const RomajiHint hint = guide.hint(word, committed.toStdU16String(), composer.pending());
            seen.mistakeAt = hint.mistakeAt;
            rest = qtext(hint.rest);
        }
        if (seen.mistaken())
            rest.clear();
        if (!rest.isEmpty() && needsScriptSwitch(committed))
            rest.prepend(QStringLiteral("F7 "));
        if (rest != seen.rest) {
            seen.rest = rest;
            seen.restText.setTextFormat(Qt::PlainText);
            seen.restText.setText(rest);
        }
        seen.valid = true;
    }
    return seen;
}

QString InputBox::guideText() const
{
    return currentGuide().rest;
}

int InputBox::markedMistake() const
{
    const GuideSeen& seen = currentGuide();
    return seen.mistaken() ? static_cast<int>(seen.mistakeAt) : -1;
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
    const Script script = mode == Mode::Katakana ? Script::Katakana : Script::Hiragana;
    composer.setScript(script);
    kanaComposer.setScript(script);
    update();
    Q_EMIT typingMoved(std::nullopt);
}

void InputBox::resetText(const QString& text)
{
    ++resets;
    composer.reset();
    kanaComposer.reset();
    showComposition({});
    if (hasFocus()) {
        resetting = true;
        QGuiApplication::inputMethod()->reset();
        resetting = false;
    }
    composition = {};
    setText(text);
    Q_EMIT typingMoved(std::nullopt);
}

QString InputBox::pendingLetters() const
{
    return pendingText();
}

QString InputBox::pendingText() const
{
    QString pending = qtext(composer.pending());
    if (kanaComposer.pending() != 0)
        pending += QChar(kanaComposer.pending());
    return pending;
}

bool InputBox::event(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QLineEdit::event(event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const bool handled = keyPress(key, *event);
    const QString typed = key.text();
    Q_EMIT typingMoved(PressedKey{key.nativeScanCode(), typed.size() == 1 ? typed.at(0).unicode() : u'\0'});
    return handled;
}

bool InputBox::keyPress(const QKeyEvent& key, QEvent& event)
{
    qCDebug(lcInput) << "key" << Qt::hex << key.key() << Qt::dec << "scan code" << key.nativeScanCode() << "text"
                     << key.text() << "modifiers" << key.modifiers();
    const int resetsBefore = resets;
    Q_EMIT keyDown(text());
    if (resets != resetsBefore) {
        // The key's check answered the word and the box was emptied for the next: the key lands nowhere (a Space
        // would leave a blank the next word could never match, the n of "nn" a stray n). A mode key still switches.
        switchMode(key);
        event.accept();
        return true;
    }
    // What the key did, once it has done it: a key that typed something or changed the text, not a mode key or
    // Shift on its own.
    const QString textBefore = text();
    const QString pendingBefore = pendingText();
    const QString typed = key.text();
    const bool typesText = !kanaKeys() && typed.size() == 1 && typed.at(0).isPrint();
    keyTypedAs.reset();
    const auto announceEffect = [&] {
        if (keyTypedAs || typesText || text() != textBefore || pendingText() != pendingBefore)
            Q_EMIT keyTaken(text(), keyTypedAs);
    };
    if (composeKey(key)) {
        event.accept();
        announceEffect();
        return true;
    }
    const bool handled = QLineEdit::event(&event);
    announceEffect();
    return handled;
}

bool InputBox::switchMode(const QKeyEvent& key)
{
    const bool alt = key.modifiers().testFlag(Qt::AltModifier);
    // Alt + ひらがな/カタカナ, which X11's Japanese layout sends as the Romaji key; known by its place as well, since
    // other layouts may send nothing of their own for it.
    if (key.key() == Qt::Key_Romaji ||
        (alt && (key.key() == Qt::Key_Hiragana_Katakana ||
                 keyOfX11Keycode(key.nativeScanCode()) == KeyboardKey::KatakanaHiragana))) {
        setKanaInput(!kanaInputOn);
        Q_EMIT kanaInputSwitched(kanaInputOn);
        return true;
    }
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
        return false;
    }
}

bool InputBox::composeKey(const QKeyEvent& key)
{
    if (switchMode(key))
        return true;
    if (inputMode == Mode::Direct)
        return false;
    if (kanaInputOn)
        return composeKanaKey(key);
    const bool plain = !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
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
    if (plain && typed.size() == 1 && typed.at(0).isPrint() && text().size() >= maxLength()) {
        keyTypedAs = TypingStyle::Romaji;
        return true;
    }
    if (plain && typed.size() == 1 && typed.at(0).unicode() >= 0x20 && typed.at(0).unicode() < 0x7F) {
        const char16_t letter = typed.at(0).unicode();
        const std::u16string pendingBefore = composer.pending();
        const std::u16string committed =
            word.empty() ? composer.feed(letter) : composer.feed(letter, word, text().toStdU16String());
        guide.follow(pendingBefore, letter);
        showComposition(qtext(committed));
        keyTypedAs = TypingStyle::Romaji;
        return true;
    }
    if (settlesPending(key))
        commitPending();
    return false;
}

// Kana input reads the key's place, never its text: the desktop's layout may make it type a Latin letter, or nothing.
bool InputBox::composeKanaKey(const QKeyEvent& key)
{
    const bool plain = !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && key.key() == Qt::Key_Backspace && kanaComposer.backspace()) {
        showComposition({});
        return true;
    }
    if (plain && key.key() == Qt::Key_Escape && kanaComposer.pending() != 0) {
        kanaComposer.reset();
        showComposition({});
        return true;
    }
    const std::optional<KeyboardKey> place = keyOfX11Keycode(key.nativeScanCode());
    const char16_t typed = plain && place ? kanaOfKey(*place, key.modifiers().testFlag(Qt::ShiftModifier)) : u'\0';
    if (typed != 0) {
        keyTypedAs = TypingStyle::Kana;
        const QString before = text().left(cursorPosition());
        const KanaEdit edit = kanaComposer.feed(typed, word, before.toStdU16String());
        // A full box takes no more kana, as it takes no more letters; a sound mark that joins a kana still fits.
        const auto grows = static_cast<qsizetype>(edit.commit.size()) - static_cast<qsizetype>(edit.replaced);
        if (grows > 0 && text().size() + grows > maxLength()) {
            kanaComposer.reset();
            showComposition({});
            return true;
        }
        showComposition(qtext(edit.commit), static_cast<int>(edit.replaced));
        return true;
    }
    // A key with no kana (one of another layout, the keypad) types nothing, whatever text the layout gives it.
    if (plain && !key.text().isEmpty() && key.text().at(0).isPrint())
        return true;
    if (settlesPending(key))
        commitPending();
    return false;
}

void InputBox::showComposition(const QString& commit, int replaced)
{
    const QString preedit = pendingText();
    QList<QInputMethodEvent::Attribute> attributes;
    if (!preedit.isEmpty()) {
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        attributes.append({QInputMethodEvent::TextFormat, 0, static_cast<int>(preedit.size()), underlined});
        attributes.append({QInputMethodEvent::Cursor, static_cast<int>(preedit.size()), 1, QVariant()});
    }
    QInputMethodEvent composing(preedit, attributes);
    composing.setCommitString(commit, -replaced, replaced);
    // Straight to the line edit: our own composition is not an input method's commit and is no key-down.
    QLineEdit::inputMethodEvent(&composing);
}

void InputBox::commitPending()
{
    if (!composer.pending().empty())
        showComposition(qtext(composer.flush()));
    if (kanaComposer.pending() != 0)
        showComposition(qtext(kanaComposer.flush()));
}

// An empty composition is the same whatever cursor it carries: fcitx5 follows every commit with an empty one that
// has a cursor, and sends one more when it is switched on, and neither is a key.
bool InputBox::sameComposition(const Composition& seen, const QInputMethodEvent& event)
{
    if (seen.preedit != event.preeditString())
        return false;
    if (seen.preedit.isEmpty())
        return true;
    if (seen.attributes.size() != event.attributes().size())
        return false;
    for (qsizetype i = 0; i < seen.attributes.size(); ++i) {
        const QInputMethodEvent::Attribute& a = seen.attributes.at(i);
        const QInputMethodEvent::Attribute& b = event.attributes().at(i);
        if (a.type != b.type || a.start != b.start || a.length != b.length || a.value != b.value)
            return false;
    }
    return true;
}

void InputBox::inputMethodEvent(QInputMethodEvent* event)
{
    // What the input method sends while it is told to drop its composition goes with the text the reset replaces.
    if (resetting) {
        qCDebug(lcInput) << "input method, while reset: composition" << event->preeditString() << "commit"
                         << event->commitString();
        QLineEdit::inputMethodEvent(event);
        return;
    }
    const bool isKey =
        !event->commitString().isEmpty() || event->replacementLength() != 0 || !sameComposition(composition, *event);
    qCDebug(lcInput) << "input method: composition" << event->preeditString() << "commit" << event->commitString()
                     << "replacing" << event->replacementStart() << event->replacementLength() << "attributes"
                     << event->attributes().size() << (isKey ? "a key" : "no key");
    if (!isKey) {
        // A repeat of the composition as it stands would only wipe the box's own pending letters off the screen.
        if (pendingText().isEmpty())
            QLineEdit::inputMethodEvent(event);
        return;
    }
    // A real input method swallows the keys behind its composition, so each of its events is the key-down: checked
    // before it lands, and dropped, like any key, when that check answers the word.
    const int resetsBefore = resets;
    Q_EMIT keyDown(text());
    if (resets != resetsBefore) {
        event->accept();
        return;
    }
    composer.reset();
    kanaComposer.reset();
    composition = {event->preeditString(), event->attributes()};
    QLineEdit::inputMethodEvent(event);
    Q_EMIT keyTaken(text(), TypingStyle::InputMethod);
    Q_EMIT typingMoved(std::nullopt);
}

void InputBox::focusOutEvent(QFocusEvent* event)
{
    const QString pendingBefore = pendingText();
    commitPending();
    QLineEdit::focusOutEvent(event);
    if (!pendingBefore.isEmpty())
        Q_EMIT typingMoved(std::nullopt);
}

void InputBox::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    paintGuide(painter);
    // A small, dim mark of the mode at the right end: あ, ア, か, カ or A.
    const ModeMark& mark = modeMark();
    QColor dim = palette().color(QPalette::Text);
    dim.setAlpha(110);
    painter.setPen(dim);
    const int shown = modeMarkIndex();
    mark.layout[shown].lineAt(0).draw(&painter, mark.at[shown]);
}

namespace {

const QString& modeMarkOf(int index)
{
    static const QString marks[] = {QStringLiteral("あ"), QStringLiteral("ア"), QStringLiteral("A"),
                                    QStringLiteral("か"), QStringLiteral("カ")};
    return marks[index];
}

} // namespace

int InputBox::modeMarkIndex() const
{
    const int mode = static_cast<int>(inputMode);
    return kanaKeys() ? mode + 3 : mode;
}

QString InputBox::modeMarkText() const
{
    return modeMarkOf(modeMarkIndex());
}

const InputBox::ModeMark& InputBox::modeMark() const
{
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
    for (int i = 0; i < 5; ++i) {
        QTextLayout& layout = mark.layout[i];
        layout.setText(modeMarkOf(i));
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
    const GuideSeen& hint = currentGuide();
    if (hint.rest.isEmpty() && !hint.mistaken())
        return;
    // Where the line edit drew the text: the cursor sits after the committed text before it and after our pending
    // letters, so the start and the end of the text follow from the cursor and the widths around it.
    const QFontMetricsF metrics(font());
    const QString committed = text();
    const QString pending = pendingText();
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
        painter.drawStaticText(QPointF(endX + 2, cursor.top()), hint.restText);
    }
    painter.restore();
}

} // namespace fururupo
