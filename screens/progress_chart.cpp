#include "screens/progress_chart.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <utility>

namespace fururupo {

namespace {

constexpr double markerRadius = 3;
// Markers are drawn only while neighbouring games are this far apart; closer, they would only blot the line.
constexpr double markerSpacing = 7;
// More games than a chart is ever asked to show; a series claiming more is not drawn.
constexpr std::int64_t maxGames = 1'000'000'000;

const QColor gridColour(226, 220, 230);
const QColor axisColour(120, 110, 130);

// The 1-2-5 step at or above raw.
double niceStep(double raw)
{
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    const double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    return nice * power;
}

QString tickLabel(double value)
{
    return QString::number(value, 'g', 7);
}

QString gameWord()
{
    return QStringLiteral("回目");
}

// Where the word after the game numbers starts, right of the plot: clear of the last game's number, which is centred
// on the right axis.
double gameWordOffset(const QFontMetricsF& metrics)
{
    return metrics.horizontalAdvance(QStringLiteral("0000000")) / 2 + 6;
}

} // namespace

std::vector<double> niceTicks(double largest, int about)
{
    if (!(largest > 0) || !std::isfinite(largest))
        return {0, 1};
    const double step = niceStep(largest / std::max(1, about));
    const auto steps = std::max<long long>(1, std::llround(std::ceil(largest / step - 1e-9)));
    std::vector<double> ticks;
    ticks.reserve(static_cast<std::size_t>(steps) + 1);
    for (long long i = 0; i <= steps; ++i)
        ticks.push_back(static_cast<double>(i) * step);
    return ticks;
}

ProgressChart::ProgressChart(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateMargins();
}

std::vector<double> ProgressChart::Series::means() const
{
    std::vector<double> values;
    values.reserve(points.size());
    for (const Point& point : points)
        values.push_back(point.mean);
    return values;
}

std::vector<ProgressChart::Point> ProgressChart::pointsOf(const std::vector<ProgressBucket>& buckets,
                                                          Spread ProgressBucket::*measure)
{
    std::vector<Point> points;
    points.reserve(buckets.size());
    for (const ProgressBucket& bucket : buckets)
        points.push_back({bucket.meanOf(measure), (bucket.*measure).low, (bucket.*measure).high, bucket.games});
    return points;
}

void ProgressChart::setSeries(std::vector<Series> series)
{
    shown.clear();
    gameCount = 0;
    for (Series& one : series) {
        std::int64_t games = 0;
        bool possible = true;
        for (const Point& point : one.points) {
            possible = possible && std::isfinite(point.mean) && std::isfinite(point.low) && std::isfinite(point.high) &&
                       point.games > 0 && point.games <= maxGames;
            games += possible ? point.games : 0;
        }
        if (!possible || games > maxGames)
            continue;
        gameCount = std::max(gameCount, static_cast<int>(games));
        shown.push_back(std::move(one));
    }
    updateMargins();
}

void ProgressChart::setAxisUnits(QString left, QString right)
{
    leftUnit = std::move(left);
    rightUnit = std::move(right);
    updateMargins();
}

void ProgressChart::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateMargins();
}

void ProgressChart::updateMargins()
{
    // Room around the plot for the tick labels, the units and the legend, in the chart's own font.
    const QFontMetricsF metrics(font());
    double leftLabels = 0;
    double rightLabels = 0;
    for (double tick : scaleOf(Axis::Left).ticks)
        leftLabels = std::max(leftLabels, metrics.horizontalAdvance(tickLabel(tick)));
    for (double tick : scaleOf(Axis::Right).ticks)
        rightLabels = std::max(rightLabels, metrics.horizontalAdvance(tickLabel(tick)));
    const double left = leftLabels + 12;
    const double right = std::max(rightLabels + 6, gameWordOffset(metrics) + metrics.horizontalAdvance(gameWord())) + 6;
    const double top = 2 * metrics.height() + 10;
    const double bottom = metrics.height() + 10;
    margins = QMarginsF(left, top, right, bottom);
    update();
}

QString ProgressChart::emptyText()
{
    return QStringLiteral("まだ記録がありません");
}

ProgressChart::Scale ProgressChart::scaleOf(Axis axis) const
{
    double largest = 0;
    for (const Series& one : shown) {
        if (one.axis != axis)
            continue;
        for (const Point& point : one.points)
            largest = std::max({largest, point.mean, point.high});
    }
    return {niceTicks(largest), axis == Axis::Left ? leftUnit : rightUnit};
}

std::vector<int> ProgressChart::gameTicks() const
{
    if (gameCount <= 0)
        return {};
    const int step = std::max(1, static_cast<int>(niceStep((gameCount - 1) / 6.0)));
    std::vector<int> ticks{1};
    for (int game = step; game <= gameCount; game += step) {
        if (game > 1)
            ticks.push_back(game);
    }
    return ticks;
}

QRectF ProgressChart::plotArea() const
{
    return QRectF(margins.left(), margins.top(), std::max(1.0, width() - margins.left() - margins.right()),
                  std::max(1.0, height() - margins.top() - margins.bottom()));
}

double ProgressChart::xOf(double game) const
{
    const QRectF plot = plotArea();
    if (gameCount <= 1)
        return plot.center().x();
    return plot.left() + (game - 1) / (gameCount - 1) * plot.width();
}

double ProgressChart::yOf(double value, const Scale& scale) const
{
    const QRectF plot = plotArea();
    return plot.bottom() - std::clamp(value / scale.top(), 0.0, 1.0) * plot.height();
}

std::vector<double> ProgressChart::centresOf(const Series& series) const
{
    std::vector<double> centres;
    centres.reserve(series.points.size());
    double first = 1;
    for (const Point& point : series.points) {
        centres.push_back(first + static_cast<double>(point.games - 1) / 2);
        first += static_cast<double>(point.games);
    }
    return centres;
}

QPointF ProgressChart::pointOf(std::size_t series, std::size_t point) const
{
    if (series >= shown.size() || point >= shown[series].points.size())
        return {};
    const Series& one = shown[series];
    return {xOf(centresOf(one)[point]), yOf(one.points[point].mean, scaleOf(one.axis))};
}

void ProgressChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(palette().color(QPalette::Text));

    if (gameCount == 0) {
        painter.drawText(rect(), Qt::AlignCenter, emptyText());
        return;
    }
    const Scale left = scaleOf(Axis::Left);
    const Scale right = scaleOf(Axis::Right);
    drawAxes(painter, left, right);
    for (const Series& one : shown)
        drawSeries(painter, one, one.axis == Axis::Left ? left : right);
    drawLegend(painter);
}

void ProgressChart::drawAxes(QPainter& painter, const Scale& left, const Scale& right) const
{
    const QRectF plot = plotArea();
    const QFontMetricsF metrics(font());
    const QColor textColour = palette().color(QPalette::Text);

    // Grid lines follow the left scale; the right scale has its ticks on its own axis.
    for (double tick : left.ticks) {
        const double y = yOf(tick, left);
        painter.setPen(QPen(gridColour, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(textColour);
        painter.drawText(QRectF(0, y - metrics.height() / 2, plot.left() - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, tickLabel(tick));
    }
    for (double tick : right.ticks) {
        const double y = yOf(tick, right);
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(QPointF(plot.right(), y), QPointF(plot.right() + 4, y));
        painter.setPen(textColour);
        painter.drawText(
            QRectF(plot.right() + 6, y - metrics.height() / 2, width() - plot.right() - 6, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, tickLabel(tick));
    }
    for (int game : gameTicks()) {
        const double x = xOf(game);
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        painter.setPen(textColour);
        const double half = metrics.horizontalAdvance(QString::number(game)) / 2 + 2;
        painter.drawText(QRectF(x - half, plot.bottom() + 5, 2 * half, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(game));
    }

    painter.setPen(QPen(axisColour, 1));
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.bottomRight(), plot.topRight());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());

    painter.setPen(textColour);
    const double unitTop = plot.top() - metrics.height() - 4;
    const double half = width() / 2.0;
    painter.drawText(QRectF(4, unitTop, half - 4, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter, left.unit);
    painter.drawText(QRectF(half, unitTop, width() - half - 4, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                     right.unit);
    const double wordLeft = plot.right() + gameWordOffset(metrics);
    painter.drawText(QRectF(wordLeft, plot.bottom() + 5, width() - wordLeft, metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop, gameWord());
}

void ProgressChart::drawSeries(QPainter& painter, const Series& series, const Scale& scale) const
{
    const std::vector<double> centres = centresOf(series);
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(series.points.size()));
    bool spread = false;
    for (std::size_t at = 0; at < series.points.size(); ++at) {
        line.append(QPointF(xOf(centres[at]), yOf(series.points[at].mean, scale)));
        spread = spread || series.points[at].games > 1;
    }
    // A run of several games shows its lowest to highest as a pale band around the line of its means: one rectangle
    // for each run, side by side, since one polygon zigzagging over hundreds of runs costs the raster engine a
    // hundred times as much to fill.
    if (spread) {
        QColor shade = series.colour;
        shade.setAlpha(60);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QRectF plot = plotArea();
        for (std::size_t at = 0; at < series.points.size(); ++at) {
            const Point& point = series.points[at];
            const double half = static_cast<double>(point.games) / 2;
            const double left = std::max(plot.left(), xOf(centres[at] - half));
            const double right = std::min(plot.right(), std::max(xOf(centres[at] + half), left + 1));
            painter.fillRect(QRectF(QPointF(left, yOf(point.high, scale)), QPointF(right, yOf(point.low, scale))),
                             shade);
        }
        painter.restore();
    }
    // Segment by segment, with round caps for the joins: a 2-pixel antialiased polyline that zigzags is stroked as one
    // outline crossing itself, which costs the raster engine some twenty times as much to fill as its pieces.
    painter.setPen(QPen(series.colour, 2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    for (qsizetype at = 1; at < line.size(); ++at)
        painter.drawLine(line[at - 1], line[at]);

    const std::size_t points = series.points.size();
    const bool roomForMarkers =
        !spread && (points < 2 || plotArea().width() / static_cast<double>(points - 1) >= markerSpacing);
    if (roomForMarkers) {
        painter.setPen(QPen(series.colour, 1));
        painter.setBrush(series.colour);
        for (const QPointF& point : line)
            painter.drawEllipse(point, markerRadius, markerRadius);
    }
}

void ProgressChart::drawLegend(QPainter& painter) const
{
    const QFontMetricsF metrics(font());
    const QColor textColour = palette().color(QPalette::Text);
    double x = plotArea().left();
    const double middle = 4 + metrics.height() / 2;
    for (const Series& one : shown) {
        painter.setPen(QPen(one.colour, 2));
        painter.drawLine(QPointF(x, middle), QPointF(x + 18, middle));
        painter.setBrush(one.colour);
        painter.drawEllipse(QPointF(x + 9, middle), markerRadius, markerRadius);
        painter.setPen(textColour);
        // Each name gets its share of the width.
        const double share = (width() - plotArea().left()) / static_cast<double>(shown.size()) - 38;
        const QString name = metrics.elidedText(one.name, Qt::ElideRight, std::max(0.0, share));
        painter.drawText(QPointF(x + 22, middle + metrics.ascent() / 2 - 1), name);
        x += 22 + metrics.horizontalAdvance(name) + 16;
    }
    painter.setBrush(Qt::NoBrush);
}

} // namespace fururupo
