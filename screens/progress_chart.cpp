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

QString percentLabel(double value)
{
    return tickLabel(value) + u'%';
}

QString gameWord()
{
    return QStringLiteral("回目");
}

// Space between two game numbers, and between the last of them and the word after them.
constexpr double labelGap = 8;

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

bool ProgressChart::hasPercent() const
{
    return std::any_of(shown.begin(), shown.end(), [](const Series& one) { return one.axis == Axis::Percent; });
}

double ProgressChart::gameWordOffset() const
{
    // The last game number may stand on the right axis, centred on it; none is wider than the number of games.
    const QFontMetricsF metrics(font());
    return metrics.horizontalAdvance(QString::number(std::max(gameCount, 1000))) / 2 + labelGap;
}

void ProgressChart::updateMargins()
{
    // Room around the plot for the tick labels, the units and the legend, in the chart's own font.
    const QFontMetricsF metrics(font());
    double leftLabels = 0;
    double rightLabels = 0;
    for (double tick : scaleOf(Axis::Left).ticks)
        leftLabels = std::max(leftLabels, metrics.horizontalAdvance(tickLabel(tick)));
    if (hasPercent()) {
        for (double tick : scaleOf(Axis::Percent).ticks)
            leftLabels = std::max(leftLabels, metrics.horizontalAdvance(percentLabel(tick)));
    }
    for (double tick : scaleOf(Axis::Right).ticks)
        rightLabels = std::max(rightLabels, metrics.horizontalAdvance(tickLabel(tick)));
    // The first game number is centred on the left axis.
    const double left = std::max(leftLabels + 12, metrics.horizontalAdvance(QStringLiteral("1")) / 2 + 4);
    const double right = std::max(rightLabels + 6, gameWordOffset() + metrics.horizontalAdvance(gameWord())) + 6;
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
    if (axis == Axis::Percent)
        return {{0, 50, 100}, QString()};
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
    // About six steps, and no closer than the widest number and a gap.
    const QFontMetricsF metrics(font());
    const double widest = metrics.horizontalAdvance(QString::number(gameCount)) + labelGap;
    const double perGame = gameCount > 1 ? plotsArea().width() / (gameCount - 1) : widest;
    double step = niceStep(std::max((gameCount - 1) / 6.0, widest / perGame));
    while (step * perGame < widest && step < gameCount)
        step = niceStep(step * 1.5);
    const long long whole = std::max(1LL, std::llround(step));
    std::vector<int> ticks{1};
    for (long long game = whole; game <= gameCount; game += whole) {
        // The second number would stand too close to the first at 1: the step's first multiple is left out then.
        if (game > 1 && (game - 1) * perGame >= widest)
            ticks.push_back(static_cast<int>(game));
    }
    return ticks;
}

std::vector<ProgressChart::Label> ProgressChart::gameLabels() const
{
    std::vector<Label> labels;
    if (gameCount <= 0)
        return labels;
    const QFontMetricsF metrics(font());
    const QRectF plots = plotsArea();
    for (int game : gameTicks()) {
        const QString text = QString::number(game);
        const double half = metrics.horizontalAdvance(text) / 2;
        labels.push_back({text, QRectF(xOf(game) - half, plots.bottom() + 5, 2 * half, metrics.height())});
    }
    const double wordLeft = plots.right() + gameWordOffset();
    labels.push_back(
        {gameWord(), QRectF(wordLeft, plots.bottom() + 5, metrics.horizontalAdvance(gameWord()), metrics.height())});
    return labels;
}

QRectF ProgressChart::plotsArea() const
{
    return QRectF(margins.left(), margins.top(), std::max(1.0, width() - margins.left() - margins.right()),
                  std::max(1.0, height() - margins.top() - margins.bottom()));
}

QRectF ProgressChart::plotArea() const
{
    const QRectF plots = plotsArea();
    if (!hasPercent())
        return plots;
    const QRectF panel = percentArea();
    return QRectF(plots.left(), plots.top(), plots.width(), std::max(1.0, panel.top() - plots.top() - 12));
}

QRectF ProgressChart::percentArea() const
{
    if (!hasPercent())
        return {};
    // A quarter of the height, and never less than room for its three labels.
    const QRectF plots = plotsArea();
    const double tall =
        std::min(plots.height() / 2, std::max(plots.height() / 4, 2.5 * QFontMetricsF(font()).height()));
    return QRectF(plots.left(), plots.bottom() - tall, plots.width(), tall);
}

QRectF ProgressChart::areaOf(Axis axis) const
{
    return axis == Axis::Percent ? percentArea() : plotArea();
}

double ProgressChart::xOf(double game) const
{
    const QRectF plot = plotsArea();
    if (gameCount <= 1)
        return plot.center().x();
    return plot.left() + (game - 1) / (gameCount - 1) * plot.width();
}

double ProgressChart::yOf(double value, const Scale& scale, const QRectF& area) const
{
    return area.bottom() - std::clamp(value / scale.top(), 0.0, 1.0) * area.height();
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
    return {xOf(centresOf(one)[point]), yOf(one.points[point].mean, scaleOf(one.axis), areaOf(one.axis))};
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
    drawAxes(painter);
    for (const Series& one : shown)
        drawSeries(painter, one);
    drawLegend(painter);
}

void ProgressChart::drawAxes(QPainter& painter) const
{
    const QFontMetricsF metrics(font());
    const QColor textColour = palette().color(QPalette::Text);
    const QRectF plot = plotArea();
    const Scale left = scaleOf(Axis::Left);
    const Scale right = scaleOf(Axis::Right);

    // Grid lines follow the left scale, and the per-cent panel's own; the right scale has its ticks on its own axis.
    const auto grid = [&](const QRectF& area, const Scale& scale, QString (*label)(double)) {
        for (double tick : scale.ticks) {
            const double y = yOf(tick, scale, area);
            painter.setPen(QPen(gridColour, 1));
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
            painter.setPen(textColour);
            painter.drawText(QRectF(0, y - metrics.height() / 2, area.left() - 6, metrics.height()),
                             Qt::AlignRight | Qt::AlignVCenter, label(tick));
        }
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(area.bottomLeft(), area.topLeft());
        painter.drawLine(area.bottomRight(), area.topRight());
        painter.drawLine(area.bottomLeft(), area.bottomRight());
    };
    grid(plot, left, tickLabel);
    if (hasPercent())
        grid(percentArea(), scaleOf(Axis::Percent), percentLabel);
    for (double tick : right.ticks) {
        const double y = yOf(tick, right, plot);
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(QPointF(plot.right(), y), QPointF(plot.right() + 4, y));
        painter.setPen(textColour);
        painter.drawText(
            QRectF(plot.right() + 6, y - metrics.height() / 2, width() - plot.right() - 6, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, tickLabel(tick));
    }
    const double bottom = plotsArea().bottom();
    for (const Label& label : gameLabels()) {
        bool number = false;
        const int game = label.text.toInt(&number);
        if (number) {
            painter.setPen(QPen(axisColour, 1));
            painter.drawLine(QPointF(xOf(game), bottom), QPointF(xOf(game), bottom + 4));
        }
        painter.setPen(textColour);
        painter.drawText(label.rect, Qt::AlignHCenter | Qt::AlignTop, label.text);
    }

    painter.setPen(textColour);
    const double unitTop = plot.top() - metrics.height() - 4;
    const double half = width() / 2.0;
    painter.drawText(QRectF(4, unitTop, half - 4, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter, left.unit);
    painter.drawText(QRectF(half, unitTop, width() - half - 4, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                     right.unit);
}

void ProgressChart::drawSeries(QPainter& painter, const Series& series) const
{
    const Scale scale = scaleOf(series.axis);
    const QRectF area = areaOf(series.axis);
    const std::vector<double> centres = centresOf(series);
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(series.points.size()));
    bool spread = false;
    for (std::size_t at = 0; at < series.points.size(); ++at) {
        line.append(QPointF(xOf(centres[at]), yOf(series.points[at].mean, scale, area)));
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
        for (std::size_t at = 0; at < series.points.size(); ++at) {
            const Point& point = series.points[at];
            const double half = static_cast<double>(point.games) / 2;
            const double left = std::max(area.left(), xOf(centres[at] - half));
            const double right = std::min(area.right(), std::max(xOf(centres[at] + half), left + 1));
            painter.fillRect(
                QRectF(QPointF(left, yOf(point.high, scale, area)), QPointF(right, yOf(point.low, scale, area))),
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
