// How long the chart engine takes to draw a chart.
#pragma once

class CChartView;

// The engine's own average over its last replots.
double averageReplotMs(CChartView &chart);
// The average of `times` full replots, timed here.
double fullReplotMs(CChartView &chart, int times);
// The average of `steps` zoom steps: a turn of the wheel with Ctrl held on
// the plot's centre (in on even steps, out on odd ones) and the replot it
// calls for.
double zoomStepMs(CChartView &chart, int steps);
