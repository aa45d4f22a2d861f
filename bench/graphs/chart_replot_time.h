// How long the chart engine took to draw a chart, on average.
#pragma once

class CChartView;

double averageReplotMs(CChartView &chart);
