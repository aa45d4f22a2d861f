// The chart's way through time: a long run's history drawn left of point 0,
// following the newest data, scrolling by wheel, scroll bar and keys, and
// the fits that work on what is on show.
#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

#include <QKeyEvent>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kChannelSeriesNumber[4] = {0, 1, 2, 5};
constexpr double kScrollStep = 0.1; // of the width shown, per wheel notch or arrow key
} // namespace

void CChartView::setHistory(const ChartHistorySource *history)
{
    history_ = history;
    scrollBar_->setVisible(history_ != nullptr);
    endButton_->setVisible(history_ != nullptr);
    rebuildHistory();
    syncScrollBar();
}

long CChartView::olderPoints() const { return history_ ? std::max(0L, history_->olderPoints()) : 0; }

bool CChartView::plottedAt(int number, const Series &s, long position, double &plotted) const
{
    if (position >= 0) {
        if (static_cast<std::size_t>(position) >= s.values.size())
            return false;
        plotted = s.values[static_cast<std::size_t>(position)];
        return true;
    }
    if (!history_ || -position > olderPoints() || !history_->hasSeries(number))
        return false;
    plotted = history_->plotted(number, position);
    return true;
}

void CChartView::rebuildHistory()
{
    historyPart_.clear();
    historyDense_ = false;
    if (history_) {
        const long older = olderPoints();
        const QCPRange shown = plot_->xAxis->range();
        const long from = std::max(-older, static_cast<long>(std::floor(shown.lower)) - 1);
        const long to = std::min(0L, static_cast<long>(std::ceil(shown.upper)) + 1);
        const int columns = std::max(100, plot_->axisRect()->width());
        historyDense_ = to - from > 2L * columns;
        for (const auto &[number, s] : series_) {
            if (!history_->hasSeries(number) || from >= to)
                continue;
            auto &part = historyPart_[number];
            const int n = number;
            appendDecimated(from, to, columns, [this, n](long p) { return history_->plotted(n, p); }, part.first,
                            part.second);
        }
    }
    for (auto &[number, s] : series_)
        refreshGraph(s);
}

void CChartView::syncScrollBar()
{
    if (!history_)
        return;
    const QCPRange shown = plot_->xAxis->range();
    const int first = static_cast<int>(std::lround(setup_.xFirst)) - static_cast<int>(olderPoints());
    const int width = std::max(1, static_cast<int>(std::lround(shown.size())));
    const int last = std::max(first, static_cast<int>(std::lround(setup_.xLast)) - width);
    movingView_ = true;
    scrollBar_->setRange(first, last);
    scrollBar_->setPageStep(width);
    scrollBar_->setSingleStep(std::max(1, static_cast<int>(width * kScrollStep)));
    scrollBar_->setValue(static_cast<int>(std::lround(shown.lower)));
    movingView_ = false;
}

void CChartView::onXRangeChanged(const QCPRange &range)
{
    if (!movingView_)
        following_ = range.upper >= setup_.xLast - 0.5;
    if (history_) {
        rebuildHistory();
        syncScrollBar();
    }
}

std::pair<double, double> CChartView::timeView() const
{
    const QCPRange shown = plot_->xAxis->range();
    return {shown.lower, shown.upper};
}

void CChartView::setTimeView(double first, double last)
{
    plot_->xAxis->setRange(first, last);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

std::pair<double, double> CChartView::valueView() const
{
    const QCPRange shown = plot_->yAxis->range();
    return {shown.lower, shown.upper};
}

std::vector<std::pair<double, double>> CChartView::shownPoints(int number) const
{
    std::vector<std::pair<double, double>> points;
    const Series *s = series(number);
    if (!s)
        return points;
    const QCPRange shown = plot_->xAxis->range();
    const auto drawn = s->graph->data();
    for (auto it = drawn->findBegin(shown.lower, false); it != drawn->constEnd() && it->key <= shown.upper; ++it)
        points.emplace_back(it->key, it->value);
    return points;
}

void CChartView::scrollBy(double points)
{
    const QCPRange shown = plot_->xAxis->range();
    const double oldest = setup_.xFirst - static_cast<double>(olderPoints());
    const double newest = std::max(setup_.xLast, shown.upper);
    double lower = shown.lower + points;
    lower = std::min(lower, newest - shown.size());
    lower = std::max(lower, std::min(oldest, shown.lower));
    plot_->xAxis->setRange(lower, lower + shown.size());
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::scrollToOldest()
{
    const double width = plot_->xAxis->range().size();
    const double oldest = setup_.xFirst - static_cast<double>(olderPoints());
    plot_->xAxis->setRange(oldest, oldest + width);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::followNewest()
{
    const double width = plot_->xAxis->range().size();
    plot_->xAxis->setRange(setup_.xLast - width, setup_.xLast);
    following_ = true;
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::wheelScroll(const QWheelEvent &wheel)
{
    const QPoint delta = wheel.angleDelta();
    const int notches = delta.x() != 0 && std::abs(delta.x()) > std::abs(delta.y()) ? -delta.x() : delta.y();
    // Away from the user goes back in time, as a page scrolls up.
    scrollBy(-notches / 120.0 * plot_->xAxis->range().size() * kScrollStep);
}

bool CChartView::navigationKey(const QKeyEvent &key)
{
    const double width = plot_->xAxis->range().size();
    switch (key.key()) {
    case Qt::Key_Left: scrollBy(-width * kScrollStep); return true;
    case Qt::Key_Right: scrollBy(width * kScrollStep); return true;
    case Qt::Key_PageUp: scrollBy(-width); return true;
    case Qt::Key_PageDown: scrollBy(width); return true;
    case Qt::Key_Home: scrollToOldest(); return true;
    case Qt::Key_End: followNewest(); return true;
    default: return false;
    }
}

bool CChartView::visibleValueRange(const Series &s, double &low, double &high) const
{
    bool found = false;
    const QCPRange range = s.graph->getValueRange(found, QCP::sdBoth, plot_->xAxis->range());
    if (!found)
        return false;
    low = range.lower;
    high = range.upper;
    return true;
}

void CChartView::autoscaleChannel(int channel)
{
    if (channel < 0 || channel >= setup_.axes)
        return;
    const Series *s = series(kChannelSeriesNumber[channel]);
    double low = 0;
    double high = 0;
    if (!s || !visibleValueRange(*s, low, high))
        return;
    if (channel == 0) {
        const double margin = high > low ? (high - low) * 0.05 : 1.0;
        plot_->yAxis->setRange(low - margin, high + margin);
        plot_->replot();
        return;
    }
    if (!limitsFit_)
        return;
    const ChartChannel &one = setup_.channels[0];
    const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(channel)];
    const double span1 = one.max - one.min;
    auto own = [&](double y) { return span1 == 0 ? ch.min : ch.min + (ch.max - ch.min) * (y - one.min) / span1; };
    const double a = own(low);
    const double b = own(high);
    limitsFit_(channel, std::min(a, b), std::max(a, b));
}
