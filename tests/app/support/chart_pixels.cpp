#include "tests/app/support/chart_pixels.h"

#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

namespace tarvex::test {

QPoint pointInWindow(CChartView &chart, int index)
{
    QCustomPlot *plot = chart.plot();
    plot->replot();
    const QCPGraph *graph = plot->graphCount() > 0 ? plot->graph(0) : nullptr;
    const double key = graph && index < graph->dataCount() ? graph->data()->at(index)->key : index;
    const QPoint inPlot(static_cast<int>(plot->xAxis->coordToPixel(key)), plot->axisRect()->rect().center().y());
    return plot->mapTo(chart.window(), inPlot);
}

} // namespace tarvex::test
