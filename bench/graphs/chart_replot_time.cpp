#include "bench/graphs/chart_replot_time.h"

#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWheelEvent>

double averageReplotMs(CChartView &chart) { return chart.plot()->replotTime(true); }

double fullReplotMs(CChartView &chart, int times)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < times; ++i)
        chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / times;
}

double zoomStepMs(CChartView &chart, int steps)
{
    QWidget *plot = chart.plotWidget();
    const QPointF centre = chart.plotArea().center();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < steps; ++i) {
        const int turn = i % 2 == 0 ? 120 : -120;
        // Ctrl and the wheel zoom; the wheel alone scrolls.
        QWheelEvent wheel(centre, plot->mapToGlobal(centre), QPoint(), QPoint(0, turn), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &wheel);
        chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / steps;
}
