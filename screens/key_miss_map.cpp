#include "screens/key_miss_map.h"

#include "screens/keyboard_view.h"
#include "screens/text_and_placement.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <span>

namespace fururupo {

namespace {

constexpr qreal smallestUnit = 20;
constexpr qreal largestUnit = 40;
constexpr int margin = 2;

const QColor noneColour(205, 238, 205);
const QColor middleColour(255, 222, 110);
const QColor highColour(228, 52, 64);
const QColor textColour(70, 40, 80);
const QColor hitTextColour(150, 0, 40);

QColor mixed(const QColor& from, const QColor& to, double t)
{
    const auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

QFont pixelFont(const QFont& base, qreal pixels)
{
    QFont font = base;
    font.setPixelSize(std::max(7, static_cast<int>(std::lround(pixels))));
    return font;
}

// A legend cut to what fits a key's width: its first line where it has two (半角/全角 gives 半角). No character of the
// face is wider than its pixel size (a kana is as wide, a letter narrower), so a legend short enough by that count is
// drawn as it is, unmeasured.
QString fitted(const QString& legend, const QFontMetricsF& metrics, qreal pixelSize, qreal width)
{
    const QString first = legend.section(QLatin1Char('/'), 0, 0);
    if (first.size() * pixelSize <= width)
        return first;
    return metrics.elidedText(first, Qt::ElideRight, width);
}

} // namespace

KeyMissMap::KeyMissMap(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QColor KeyMissMap::colourOfRate(double rate)
{
    const double t = std::clamp(std::isfinite(rate) ? rate / highRate : 0.0, 0.0, 1.0);
    return t < 0.5 ? mixed(noneColour, middleColour, t * 2) : mixed(middleColour, highColour, (t - 0.5) * 2);
}

QColor KeyMissMap::unusedColour()
{
    return {232, 226, 232};
}

void KeyMissMap::setKeyboardLayout(KeyboardLayout layout)
{
    if (layout == shownLayout)
        return;
    shownLayout = layout;
    update();
}

void KeyMissMap::setCounts(const std::vector<KeyMisses>& keys, const std::vector<ConfusionCount>& confusions)
{
    rates.fill(std::nullopt);
    hitInstead.fill(std::nullopt);
    for (const KeyMisses& key : keys)
        if (knownKey(key.key) && key.expected > 0)
            rates[static_cast<std::size_t>(key.key)] = std::clamp(key.rate(), 0.0, 1.0);
    std::array<std::int64_t, keyCount> most{};
    for (const ConfusionCount& slip : confusions) {
        if (!knownKey(slip.expected) || !knownKey(slip.hit) || slip.count <= 0)
            continue;
        const auto at = static_cast<std::size_t>(slip.expected);
        if (slip.count > most[at] || (slip.count == most[at] && hitInstead[at] && slip.hit < *hitInstead[at])) {
            most[at] = slip.count;
            hitInstead[at] = slip.hit;
        }
    }
    update();
}

std::optional<double> KeyMissMap::missRate(KeyboardKey key) const
{
    return knownKey(key) ? rates[static_cast<std::size_t>(key)] : std::nullopt;
}

std::optional<KeyboardKey> KeyMissMap::mostHitInstead(KeyboardKey key) const
{
    return knownKey(key) ? hitInstead[static_cast<std::size_t>(key)] : std::nullopt;
}

int KeyMissMap::scaleHeight() const
{
    return QFontMetrics(font()).height() + 4;
}

QSize KeyMissMap::sizeHint() const
{
    return {static_cast<int>(keyboardWidth * 28) + 2 * margin,
            static_cast<int>(keyboardHeight * 28) + 2 * margin + scaleHeight()};
}

QSize KeyMissMap::minimumSizeHint() const
{
    return {static_cast<int>(keyboardWidth * smallestUnit) + 2 * margin,
            static_cast<int>(keyboardHeight * smallestUnit) + 2 * margin + scaleHeight()};
}

qreal KeyMissMap::keyUnit() const
{
    const qreal across = (width() - 2 * margin) / static_cast<qreal>(keyboardWidth);
    const qreal down = (height() - 2 * margin - scaleHeight()) / static_cast<qreal>(keyboardHeight);
    return std::clamp(std::min(across, down), 1.0, largestUnit);
}

QPointF KeyMissMap::origin() const
{
    const qreal unit = keyUnit();
    return {std::floor((width() - keyboardWidth * unit) / 2), static_cast<qreal>(margin)};
}

QRect KeyMissMap::keyRect(KeyboardKey key) const
{
    const KeyPlace* place = placeOf(shownLayout, key);
    return place ? keyOutline(*place, origin(), keyUnit()).boundingRect().toAlignedRect() : QRect();
}

// Drawn in passes, each with one pen and font: the keys' shapes, their legends, then the keys hit instead. A legend
// of one character is drawn as it is; only a name is measured and cut to its key.
void KeyMissMap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal unit = keyUnit();
    const QPointF corner = origin();
    const std::span<const KeyPlace> places = keyPlaces(shownLayout);

    // Each key a flat rectangle with its corners cut by a pixel, drawn without antialiasing: a few fills a key, where a
    // rounded outline antialiased costs twenty times as much; the JIS Enter's L is the one outline drawn as such.
    const QColor usedEdge(150, 110, 140);
    const QColor unusedEdge(205, 195, 205);
    for (const KeyPlace& place : places) {
        const std::optional<double> rate = rates[static_cast<std::size_t>(place.key)];
        const QColor fill = rate ? colourOfRate(*rate) : unusedColour();
        const QColor edge = rate ? usedEdge : unusedEdge;
        if (place.foot.width > 0) {
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(QPen(edge, 1.0));
            painter.setBrush(fill);
            painter.drawPath(keyOutline(place, corner, unit));
            painter.setRenderHint(QPainter::Antialiasing, false);
            continue;
        }
        const QRect key = keyTop(place, corner, unit).toAlignedRect().adjusted(0, 0, -1, -1);
        painter.fillRect(key.adjusted(1, 1, 0, 0), fill);
        painter.fillRect(QRect(key.left() + 1, key.top(), key.width() - 2, 1), edge);
        painter.fillRect(QRect(key.left() + 1, key.bottom(), key.width() - 2, 1), edge);
        painter.fillRect(QRect(key.left(), key.top() + 1, 1, key.height() - 2), edge);
        painter.fillRect(QRect(key.right(), key.top() + 1, 1, key.height() - 2), edge);
    }
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QFont legendFont = pixelFont(font(), unit * 0.36);
    const QFontMetricsF legendMetrics(legendFont);
    painter.setFont(legendFont);
    const qreal ascent = legendMetrics.ascent();
    for (const bool used : {true, false}) {
        painter.setPen(used ? textColour : QColor(160, 145, 160));
        for (const KeyPlace& place : places) {
            if (rates[static_cast<std::size_t>(place.key)].has_value() != used)
                continue;
            const QRectF top = keyTop(place, corner, unit).adjusted(3, 1, -3, -1);
            const QString legend = qtext(legendOf(shownLayout, place.key));
            painter.drawText(QPointF(top.left(), top.top() + ascent),
                             legend.size() == 1 ? legend
                                                : fitted(legend, legendMetrics, legendFont.pixelSize(), top.width()));
        }
    }

    const QFont hitFont = pixelFont(font(), unit * 0.34);
    const QFontMetricsF hitMetrics(hitFont);
    painter.setFont(hitFont);
    for (const KeyPlace& place : places) {
        const auto at = static_cast<std::size_t>(place.key);
        const std::optional<KeyboardKey> hit = hitInstead[at];
        if (!hit)
            continue;
        const QRectF top = keyTop(place, corner, unit).adjusted(3, 1, -3, -2);
        const QString mark = QStringLiteral("→") + fitted(qtext(legendOf(shownLayout, *hit)), hitMetrics,
                                                          hitFont.pixelSize(), top.width() * 0.75);
        painter.setPen(rates[at] && *rates[at] >= highRate ? QColor(Qt::white) : hitTextColour);
        painter.drawText(QPointF(top.right() - hitMetrics.horizontalAdvance(mark), top.bottom() - hitMetrics.descent()),
                         mark);
    }

    // The scale: from no misses to highRate and more, with the grey of a key never to press.
    const QFontMetrics metrics(font());
    const qreal baseline = corner.y() + keyboardHeight * unit + 4;
    const QRectF line(corner.x(), baseline, keyboardWidth * unit, metrics.height());
    painter.setFont(font());
    painter.setPen(textColour);
    const QString none = QStringLiteral("ミス率 0%");
    const QString high = QStringLiteral("%1%以上").arg(std::lround(highRate * 100));
    const QString unused = QStringLiteral("灰色は打たなかったキー");
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, none);
    const qreal barLeft = line.left() + metrics.horizontalAdvance(none) + 6;
    const qreal barWidth = std::max<qreal>(20, unit * 3);
    QLinearGradient gradient(barLeft, 0, barLeft + barWidth, 0);
    gradient.setColorAt(0, colourOfRate(0));
    gradient.setColorAt(0.5, colourOfRate(highRate / 2));
    gradient.setColorAt(1, colourOfRate(highRate));
    const QRectF bar(barLeft, line.top() + 3, barWidth, line.height() - 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRect(bar);
    painter.setPen(textColour);
    painter.drawText(QRectF(bar.right() + 6, line.top(), line.right() - bar.right() - 6, line.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, high);
    // The note on grey only where it has room after the scale.
    if (bar.right() + 6 + metrics.horizontalAdvance(high) + 16 + metrics.horizontalAdvance(unused) <= line.right())
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, unused);
}

} // namespace fururupo
