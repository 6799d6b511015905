#pragma once

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <vector>

class QPainter;

namespace fururupo {

// A line chart of a few series over the games played, drawn with QPainter in logical coordinates so it stays sharp
// at any device pixel ratio. Game 1 (the oldest) is at the left. Series on the left axis share its scale; those on the
// right share the right one. Both scales start at 0 and end on a 1-2-5 step at or above the largest value, so a
// better record reads as a lower point and nothing is cut off.
class ProgressChart : public QWidget
{
    Q_OBJECT

public:
    enum class Axis { Left, Right };

    struct Series
    {
        QString name;
        QColor colour;
        std::vector<double> values; // y of games 1..n, oldest first
        Axis axis = Axis::Left;
    };

    // The scale of one axis as drawn: the tick values from 0 to the top, and the unit written above it.
    struct Scale
    {
        std::vector<double> ticks;
        QString unit;
        double top() const { return ticks.empty() ? 1.0 : ticks.back(); }
    };

    explicit ProgressChart(QWidget* parent = nullptr);

    // Replaces what is drawn; series whose values are not all finite are left out, and the longest series sets the
    // number of games.
    void setSeries(std::vector<Series> series);
    void setAxisUnits(QString left, QString right);

    // What the chart draws, for whoever needs to read it back (the tests do).
    const std::vector<Series>& series() const { return shown; }
    int games() const { return gameCount; }
    Scale leftScale() const { return scaleOf(Axis::Left); }
    Scale rightScale() const { return scaleOf(Axis::Right); }
    // The game numbers labelled under the x axis, 1 to games() in 1-2-5 steps.
    std::vector<int> gameTicks() const;
    // Where the point of one game of one series is drawn, in this widget's logical coordinates.
    QPointF pointOf(std::size_t series, std::size_t game) const;
    QRectF plotArea() const;
    // The text drawn in place of the chart while there are no games.
    static QString emptyText();

    QSize sizeHint() const override { return {500, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Scale scaleOf(Axis axis) const;
    double xOf(double game) const;
    double yOf(double value, const Scale& scale) const;
    void drawAxes(QPainter& painter, const Scale& left, const Scale& right) const;
    // What is drawn of one series: a point for each game, or, when the games outnumber the plot's device pixels
    // across, a mean for each pixel column on the line and the column's lowest to highest game as a band.
    struct Trace
    {
        QPolygonF line;
        QPolygonF band;
    };
    Trace traceOf(const Series& series, const Scale& scale, double columnsPerPixel) const;
    void drawSeries(QPainter& painter, const Series& series, const Scale& scale) const;
    void drawLegend(QPainter& painter) const;

    std::vector<Series> shown;
    int gameCount = 0;
    QString leftUnit;
    QString rightUnit;
};

// Tick values from 0 to the first 1-2-5 step at or above largest, about `about` of them (never fewer than two).
std::vector<double> niceTicks(double largest, int about = 5);

} // namespace fururupo
