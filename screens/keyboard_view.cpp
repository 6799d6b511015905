#include "screens/keyboard_view.h"

#include "screens/text_and_placement.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <optional>

namespace fururupo {

namespace {

// The size of a letter key in pixels, and the room around the keys.
constexpr int unit = 32;
constexpr int topMargin = 12;
constexpr int panelGap = 14;
constexpr qreal cornerRadius = 4;

const QColor legendColour(225, 225, 225);
const QColor kanaColour(255, 150, 255);
const QColor dimText(150, 150, 150);

QColor scaled(const QColor& colour, double factor)
{
    return QColor::fromRgbF(static_cast<float>(colour.redF() * factor), static_cast<float>(colour.greenF() * factor),
                            static_cast<float>(colour.blueF() * factor));
}

QRectF pixels(const KeyRect& rect, QPointF origin, qreal keyUnit)
{
    return QRectF(origin.x() + rect.x * keyUnit, origin.y() + rect.y * keyUnit, rect.width * keyUnit,
                  rect.height * keyUnit)
        .adjusted(1.5, 1.5, -1.5, -1.5);
}

// The JIS Enter: its top across the end of the top row and its narrower foot below it at the right, one outline with
// the outer corners rounded like every other key's.
QPainterPath upturnedL(const QRectF& top, const QRectF& foot)
{
    const qreal r = cornerRadius;
    QPainterPath path;
    path.moveTo(top.left() + r, top.top());
    path.lineTo(top.right() - r, top.top());
    path.quadTo(top.right(), top.top(), top.right(), top.top() + r);
    path.lineTo(foot.right(), foot.bottom() - r);
    path.quadTo(foot.right(), foot.bottom(), foot.right() - r, foot.bottom());
    path.lineTo(foot.left() + r, foot.bottom());
    path.quadTo(foot.left(), foot.bottom(), foot.left(), foot.bottom() - r);
    path.lineTo(foot.left(), top.bottom());
    path.lineTo(top.left() + r, top.bottom());
    path.quadTo(top.left(), top.bottom(), top.left(), top.bottom() - r);
    path.lineTo(top.left(), top.top() + r);
    path.quadTo(top.left(), top.top(), top.left() + r, top.top());
    path.closeSubpath();
    return path;
}

} // namespace

QPainterPath keyOutline(const KeyPlace& place, QPointF origin, qreal keyUnit)
{
    const QRectF top = pixels(place.top, origin, keyUnit);
    QPainterPath outline;
    if (place.foot.width > 0)
        outline = upturnedL(top, pixels(place.foot, origin, keyUnit));
    else
        outline.addRoundedRect(top, cornerRadius, cornerRadius);
    return outline;
}

QRectF keyTop(const KeyPlace& place, QPointF origin, qreal keyUnit)
{
    return pixels(place.top, origin, keyUnit);
}

namespace {

QFont pixelFont(const QFont& base, int pixelSize)
{
    QFont font = base;
    font.setItalic(false);
    font.setPixelSize(pixelSize);
    return font;
}

QStaticText staticText(const QString& text, Qt::TextFormat format = Qt::PlainText)
{
    QStaticText laidOut(text);
    laidOut.setTextFormat(format);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    return laidOut;
}

} // namespace

KeyboardView::KeyboardView(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted from the pictures below: the window's background need not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    keyIndex.fill(-1);
    layOut();
}

QColor KeyboardView::fingerColour(Finger finger)
{
    switch (finger) {
    case Finger::LeftPinky:
    case Finger::RightPinky:
        return {255, 128, 255};
    case Finger::LeftRing:
    case Finger::RightRing:
        return {150, 150, 255};
    case Finger::LeftMiddle:
    case Finger::RightMiddle:
        return {110, 230, 110};
    case Finger::LeftIndex:
    case Finger::RightIndex:
        return {255, 210, 80};
    case Finger::LeftThumb:
    case Finger::Thumbs:
    case Finger::RightThumb:
        return {0, 255, 255};
    }
    return {0, 255, 255};
}

QColor KeyboardView::hitColour()
{
    return {255, 64, 64};
}

QString KeyboardView::fingerName(Finger finger)
{
    switch (finger) {
    case Finger::LeftPinky:
        return QStringLiteral("左手・小指");
    case Finger::LeftRing:
        return QStringLiteral("左手・薬指");
    case Finger::LeftMiddle:
        return QStringLiteral("左手・中指");
    case Finger::LeftIndex:
        return QStringLiteral("左手・人さし指");
    case Finger::LeftThumb:
        return QStringLiteral("左手・親指");
    case Finger::Thumbs:
        return QStringLiteral("左右どちらかの親指");
    case Finger::RightThumb:
        return QStringLiteral("右手・親指");
    case Finger::RightIndex:
        return QStringLiteral("右手・人さし指");
    case Finger::RightMiddle:
        return QStringLiteral("右手・中指");
    case Finger::RightRing:
        return QStringLiteral("右手・薬指");
    case Finger::RightPinky:
        return QStringLiteral("右手・小指");
    }
    return {};
}

void KeyboardView::setKeyboardLayout(KeyboardLayout layout)
{
    if (layout == shownLayout)
        return;
    shownLayout = layout;
    layOut();
    update();
}

QRect KeyboardView::keyboardRect() const
{
    return QRect((width() - static_cast<int>(keyboardWidth * unit)) / 2, topMargin,
                 static_cast<int>(keyboardWidth * unit), static_cast<int>(keyboardHeight * unit));
}

QRect KeyboardView::panelRect() const
{
    const QRect board = keyboardRect();
    return QRect(board.right() + panelGap, board.top(), width() - board.right() - panelGap - 8, board.height());
}

void KeyboardView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void KeyboardView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layOut();
        update();
    }
}

// Works out once, for the layout and the size, each key's outline, colours and legends.
void KeyboardView::layOut()
{
    legendFont = pixelFont(font(), 12);
    kanaFont = pixelFont(font(), 10);
    panelFont = pixelFont(font(), 16);
    smallFont = pixelFont(font(), 11);
    keys.clear();
    keyIndex.fill(-1);
    board = QPixmap();
    const QPointF origin = keyboardRect().topLeft();
    for (const KeyPlace& place : keyPlaces(shownLayout)) {
        DrawnKey drawn;
        drawn.key = place.key;
        const QRectF top = keyTop(place, origin, unit);
        drawn.outline = keyOutline(place, origin, unit);
        drawn.bounds = drawn.outline.boundingRect().toAlignedRect();
        const QColor colour = fingerColour(fingerOf(place.key));
        drawn.fill = scaled(colour, 0.2);
        drawn.edge = scaled(colour, 0.55);

        const QString legend = qtext(legendOf(shownLayout, place.key));
        if (legend.size() == 1) {
            drawn.legendFont = legendFont;
            drawn.legend = staticText(legend);
            drawn.legendAt = top.topLeft() + QPointF(4, 1);
        } else {
            // A name: centred, on two lines where it has a slash (半角/全角), as small as it takes to fit.
            const QStringList lines = legend.split(QLatin1Char('/'));
            const auto widest = [&](const QFont& font) {
                const QFontMetricsF metrics(font);
                qreal widest = 0;
                for (const QString& line : lines)
                    widest = std::max(widest, metrics.horizontalAdvance(line));
                return widest;
            };
            int size = 10;
            while (size > 7 && widest(pixelFont(font(), size)) > top.width() - 4)
                --size;
            drawn.legendFont = pixelFont(font(), size);
            drawn.legend = staticText(lines.join(QStringLiteral("<br>")), Qt::RichText);
            drawn.legend.setTextWidth(top.width());
            drawn.legend.setTextOption(QTextOption(Qt::AlignHCenter));
        }
        drawn.legend.prepare(QTransform(), drawn.legendFont);
        if (legend.size() != 1)
            drawn.legendAt = QPointF(top.left(), top.top() + (top.height() - drawn.legend.size().height()) / 2);
        const char16_t kana = kanaOfKey(place.key, false);
        if (kana != 0 && kana != u'\u3000') {
            drawn.kana = staticText(QString(QChar(kana)));
            drawn.kana.prepare(QTransform(), kanaFont);
            drawn.kanaAt =
                QPointF(top.right() - drawn.kana.size().width() - 3, top.bottom() - drawn.kana.size().height() - 1);
        }
        keyIndex[static_cast<std::size_t>(place.key)] = static_cast<int>(keys.size());
        keys.push_back(std::move(drawn));
    }
    layoutName = staticText(shownLayout == KeyboardLayout::Jis ? QStringLiteral("日本語キーボード（JIS）")
                                                               : QStringLiteral("英語キーボード（US）"));
    layoutName.setTextWidth(std::max(1, keyboardRect().left() - panelGap - 8));
    hideHint = staticText(QStringLiteral("F2 で隠す"));
}

QRect KeyboardView::keyRect(KeyboardKey key) const
{
    const int at = keyIndex[static_cast<std::size_t>(key)];
    return at < 0 ? QRect() : keys[static_cast<std::size_t>(at)].bounds;
}

KeyboardView::Look KeyboardView::lookOf(KeyboardKey key) const
{
    if (litKeys.hit == key)
        return Look::Hit;
    if (litKeys.next && (litKeys.next->key == key || litKeys.next->shift == key))
        return Look::Lit;
    return Look::Plain;
}

KeyboardView::PanelLines KeyboardView::panelOf(const LitKeys& lit)
{
    PanelLines lines;
    if (lit.next) {
        const Finger finger = fingerOf(lit.next->key);
        lines[0] = {QStringLiteral("次のキー"), dimText};
        lines[1] = {fingerName(finger), fingerColour(finger)};
        if (lit.next->shift) {
            const Finger shift = fingerOf(*lit.next->shift);
            lines[2] = {QStringLiteral("Shift は") + fingerName(shift), fingerColour(shift)};
        }
    }
    if (lit.slipped) {
        lines[3] = {QStringLiteral("赤は押したキー"), hitColour()};
        lines[4] = {QStringLiteral("Backspace で消す"), hitColour()};
    }
    return lines;
}

// The panel's lines sit at fixed places, so that each repaints alone when it changes: the finger's name, most often.
QRect KeyboardView::panelLineRect(std::size_t line) const
{
    static constexpr int tops[] = {0, 18, 46, 72, 90};
    static constexpr int heights[] = {16, 26, 16, 16, 16};
    const QRect panel = panelRect();
    return QRect(panel.left(), panel.top() + tops[line], panel.width(), heights[line]);
}

QString KeyboardView::fingerLine() const
{
    return litKeys.next ? fingerName(fingerOf(litKeys.next->key)) : QString();
}

void KeyboardView::setLit(const LitKeys& lit)
{
    if (lit == litKeys)
        return;
    const LitKeys before = litKeys;
    std::vector<KeyboardKey> touched;
    for (const LitKeys* keysLit : {&before, &lit}) {
        if (keysLit->next) {
            touched.push_back(keysLit->next->key);
            if (keysLit->next->shift)
                touched.push_back(*keysLit->next->shift);
        }
        if (keysLit->hit)
            touched.push_back(*keysLit->hit);
    }
    std::vector<Look> looksBefore;
    for (const KeyboardKey key : touched)
        looksBefore.push_back(lookOf(key));
    litKeys = lit;
    // One update for all that changed: each update() of its own costs about as much as one of them all.
    QRegion changed;
    for (std::size_t i = 0; i < touched.size(); ++i)
        if (lookOf(touched[i]) != looksBefore[i])
            changed += imageRect(touched[i]);
    const PanelLines linesBefore = panelOf(before);
    const PanelLines linesNow = panelOf(lit);
    for (std::size_t line = 0; line < linesNow.size(); ++line)
        if (linesNow[line] != linesBefore[line])
            changed += panelLineRect(line);
    update(changed);
}

QRect KeyboardView::imageRect(KeyboardKey key) const
{
    const QRect bounds = keyRect(key);
    return bounds.isEmpty() ? bounds : bounds.adjusted(-2, -2, 2, 2);
}

template <typename Paint> QPixmap KeyboardView::rendered(const QRect& area, const QColor& background, Paint paint) const
{
    const qreal ratio = devicePixelRatioF();
    QPixmap image(area.size() * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-area.topLeft());
    paint(painter);
    return image;
}

// Everything is drawn once into pictures (the keyboard with every key plain, each key as it looks lit and hit, each
// line of the panel) and a paint only copies them: a key then repaints for a few copies of small pictures, none of
// them so tall that the raster engine hands its rows to other threads.
void KeyboardView::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    if (board.isNull() || boardRatio != ratio) {
        boardRatio = ratio;
        keyImages.assign(keys.size(), {});
        lineImages.clear();
        board = rendered(rect(), Qt::black, [this](QPainter& painter) {
            for (const DrawnKey& key : keys)
                paintKey(painter, key, Look::Plain);
            const QRect area = keyboardRect();
            painter.setPen(dimText);
            painter.setFont(smallFont);
            painter.drawStaticText(QPointF(8, area.top()), layoutName);
            painter.drawStaticText(QPointF(8, area.top() + 2 * unit), hideHint);
        });
    }
    QPainter painter(this);
    const QRegion& dirty = event->region();
    for (const QRect& area : dirty)
        painter.drawPixmap(area, board, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const DrawnKey& key = keys[i];
        const Look look = lookOf(key.key);
        if (look == Look::Plain)
            continue;
        const QRect area = imageRect(key.key);
        if (!dirty.intersects(area))
            continue;
        QPixmap& image = keyImages[i][look == Look::Lit ? 0 : 1];
        // Over what the board has there (the JIS Enter's corner holds part of ]), so that it is copied opaque.
        if (image.isNull())
            image = rendered(area, Qt::black, [&](QPainter& on) {
                on.drawPixmap(area, board, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
                paintKey(on, key, look);
            });
        painter.drawPixmap(area.topLeft(), image);
    }
    const PanelLines lines = panelOf(litKeys);
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const QRect area = panelLineRect(line);
        if (lines[line].text.isEmpty() || !dirty.intersects(area))
            continue;
        QPixmap& image = lineImages[{line, lines[line].text}];
        if (image.isNull())
            image = rendered(area, Qt::black, [&](QPainter& on) {
                on.setFont(line == 1 ? panelFont : smallFont);
                on.setPen(lines[line].colour);
                on.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, lines[line].text);
            });
        painter.drawPixmap(area.topLeft(), image);
    }
}

void KeyboardView::paintKey(QPainter& painter, const DrawnKey& key, Look look) const
{
    QColor fill = key.fill;
    QColor edge = key.edge;
    QColor text = legendColour;
    QColor kana = kanaColour;
    switch (look) {
    case Look::Plain:
        break;
    case Look::Lit:
        fill = fingerColour(fingerOf(key.key));
        edge = Qt::white;
        text = kana = Qt::black;
        break;
    case Look::Hit:
        fill = hitColour();
        edge = Qt::white;
        text = kana = Qt::white;
        break;
    }
    painter.setPen(QPen(edge, look == Look::Plain ? 1.0 : 2.0));
    painter.setBrush(fill);
    painter.drawPath(key.outline);
    painter.setPen(text);
    painter.setFont(key.legendFont);
    painter.drawStaticText(key.legendAt, key.legend);
    if (!key.kana.text().isEmpty()) {
        painter.setPen(kana);
        painter.setFont(kanaFont);
        painter.drawStaticText(key.kanaAt, key.kana);
    }
}

} // namespace fururupo
