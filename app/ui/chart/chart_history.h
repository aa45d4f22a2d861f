// The part of a long run that lies before a chart's own points: kept by the
// window that records the run, drawn by the chart left of point 0 (position
// -1 is the newest of it), so that the user can scroll back through the
// whole run while the chart's own points stay the newest window.
#pragma once

#include <QString>
#include <QVector>

#include <functional>

class ChartHistorySource {
public:
    virtual ~ChartHistorySource() = default;
    // How many positions lie left of point 0.
    virtual long olderPoints() const = 0;
    // Whether series `series` has values there at all.
    virtual bool hasSeries(int series) const = 0;
    // The value of a series at `position` (-olderPoints() to -1) in the
    // plot's coordinates (channels 2 to 4 mapped into channel 1's range).
    virtual double plotted(int series, long position) const = 0;
    // The text under `position` on the x axis.
    virtual QString label(long position) const = 0;
};

// Points of positions [from, to) for drawing `columns` pixel columns: every
// point while they are few, otherwise the lowest and the highest of each
// column in their order, so that a replot of an hour costs what a screen
// width costs and no peak is lost.
void appendDecimated(long from, long to, int columns, const std::function<double(long)> &value, QVector<double> &keys,
                     QVector<double> &values);
