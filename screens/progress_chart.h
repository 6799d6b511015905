#pragma once

#include <QColor>
#include <QMarginsF>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include "logic/progress_buckets.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class QPainter;

namespace fururupo {

// A line chart of a few series over the games played, drawn with QPainter in logical coordinates so it stays sharp
// at any device pixel ratio. Game 1 (the oldest) is at the left. Each point stands for a run of consecutive games: its
// mean on the line and, when it holds more than one game, its lowest to highest as a pale band. Series on the left axis
// share its scale; those on the right share the right one. Both scales start at 0 and end on a 1-2-5 step at or above
// the largest value, so a better record reads as a lower point and nothing is cut off. Series in per cent have a panel
// of their own below, on a fixed scale from 0 to 100 %, so that a drop in accuracy shows as what it is rather than as
// a ripple on a scale of hundreds. The game numbers under the x axis are spaced so that they never touch each other
// nor the word after them, whatever the number of games.
class ProgressChart : public QWidget
{
    Q_OBJECT

public:
    enum class Axis { Left, Right, Percent };

    // One run of consecutive games.
    struct Point
    {
        double mean = 0;
        double low = 0;
        double high = 0;
        std::int64_t games = 1;
    };

    struct Series
    {
        QString name;
        QColor colour;
        std::vector<Point> points; // oldest first
        Axis axis = Axis::Left;

        std::vector<double> means() const;
    };

    // The points of one measure of a history's buckets.
    static std::vector<Point> pointsOf(const std::vector<ProgressBucket>& buckets, Spread ProgressBucket::*measure);

    // The scale of one axis as drawn: the tick values from 0 to the top, and the unit written above it.
    struct Scale
    {
        std::vector<double> ticks;
        QString unit;
        double top() const { return ticks.empty() ? 1.0 : ticks.back(); }
    };

    explicit ProgressChart(QWidget* parent = nullptr);

    // Replaces what is drawn; series whose values are not all finite, or that hold no game, are left out, and the
    // series of the most games sets the number of games.
    void setSeries(std::vector<Series> series);
    void setAxisUnits(QString left, QString right);

    // What the chart draws, for whoever needs to read it back (the tests do).
    const std::vector<Series>& series() const { return shown; }
    int games() const { return gameCount; }
    Scale leftScale() const { return scaleOf(Axis::Left); }
    Scale rightScale() const { return scaleOf(Axis::Right); }
    Scale percentScale() const { return scaleOf(Axis::Percent); }
    // The game numbers labelled under the x axis, 1 to games() in 1-2-5 steps far enough apart for their labels.
    std::vector<int> gameTicks() const;
    // One text under the x axis and where it is drawn: the game numbers, then the word after them.
    struct Label
    {
        QString text;
        QRectF rect;
    };
    std::vector<Label> gameLabels() const;
    // Where one point of one series is drawn, in this widget's logical coordinates.
    QPointF pointOf(std::size_t series, std::size_t point) const;
    // The plot of the left and right axes, and the panel of the series in per cent below it (empty without them).
    QRectF plotArea() const;
    QRectF percentArea() const;
    // The text drawn in place of the chart while there are no games.
    static QString emptyText();

    QSize sizeHint() const override { return {500, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Works out the room around the plot for the tick labels, the units and the legend, in the chart's own font,
    // whenever what is drawn or the font changes.
    void updateMargins();
    Scale scaleOf(Axis axis) const;
    bool hasPercent() const;
    // The plot and the panel below it together, inside the margins.
    QRectF plotsArea() const;
    QRectF areaOf(Axis axis) const;
    double xOf(double game) const;
    double yOf(double value, const Scale& scale, const QRectF& area) const;
    // Room between the right axis and the word after the game numbers: half the widest number, and a gap.
    double gameWordOffset() const;
    void drawAxes(QPainter& painter) const;
    // The game in the middle of each point's run, 1 for the oldest game.
    std::vector<double> centresOf(const Series& series) const;
    void drawSeries(QPainter& painter, const Series& series) const;
    void drawLegend(QPainter& painter) const;

    std::vector<Series> shown;
    int gameCount = 0;
    QString leftUnit;
    QString rightUnit;
    QMarginsF margins;
};

// Tick values from 0 to the first 1-2-5 step at or above largest, about `about` of them (never fewer than two).
std::vector<double> niceTicks(double largest, int about = 5);

} // namespace fururupo
