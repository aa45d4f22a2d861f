// The chart's reference overlay: a saved capture drawn faded behind the live
// channels, for comparing before and after a change.
#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

#include <QToolButton>

namespace {
constexpr int kReferenceAlpha = 90;
} // namespace

void CChartView::setReferenceLoad(std::function<void()> load)
{
    referenceLoad_ = std::move(load);
    referenceButton_->setVisible(static_cast<bool>(referenceLoad_));
}

void CChartView::setReference(const std::array<std::vector<double>, 4> &ownUnits, const QString &name)
{
    reference_ = ownUnits;
    referenceName_ = name.isEmpty() ? tr("Reference") : name;
    drawReference();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::clearReference()
{
    reference_ = {};
    referenceName_.clear();
    drawReference();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

int CChartView::referenceCount(int channel) const
{
    return channel < 0 || channel > 3 ? 0 : static_cast<int>(reference_[static_cast<std::size_t>(channel)].size());
}

double CChartView::referencePlotted(int channel, int index) const
{
    if (index < 0 || index >= referenceCount(channel))
        return 0.0;
    return referenceToPlot(channel, reference_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(index)]);
}

double CChartView::referenceToPlot(int channel, double own) const
{
    // Into channel 1's coordinates by the axis limits the window has now,
    // as the live samples of the channel are.
    if (channel <= 0)
        return own;
    const ChartChannel &one = setup_.channels[0];
    const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(channel)];
    if (ch.max == ch.min)
        return one.min;
    return one.min + (own - ch.min) * (one.max - one.min) / (ch.max - ch.min);
}

void CChartView::drawReference()
{
    for (QCPGraph *&graph : referenceGraphs_) {
        if (graph)
            plot_->removeGraph(graph);
        graph = nullptr;
    }
    if (!hasReference())
        return;
    static constexpr int seriesOfReferenceChannel[4] = {0, 1, 2, 5};
    for (int c = 0; c < 4 && c < setup_.axes; ++c) {
        const std::vector<double> &own = reference_[static_cast<std::size_t>(c)];
        if (own.empty())
            continue;
        QCPGraph *graph = plot_->addGraph(plot_->xAxis, plot_->yAxis);
        graph->setLayer(QStringLiteral("reference"));
        QColor color = seriesColor(seriesOfReferenceChannel[c]);
        color.setAlpha(kReferenceAlpha);
        graph->setPen(QPen(color, 2.0));
        graph->setName(referenceName_);
        graph->removeFromLegend();
        QVector<double> keys;
        QVector<double> values;
        for (std::size_t i = 0; i < own.size(); ++i) {
            keys.push_back(static_cast<double>(i));
            values.push_back(referenceToPlot(c, own[i]));
        }
        graph->setData(keys, values, true);
        referenceGraphs_[static_cast<std::size_t>(c)] = graph;
    }
}
