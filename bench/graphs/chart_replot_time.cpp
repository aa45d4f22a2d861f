#include "chart_replot_time.h"

#include "chart_view.h"

#include <qcustomplot.h>

double averageReplotMs(CChartView &chart) { return chart.plot()->replotTime(true); }
