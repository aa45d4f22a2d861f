// Where a chart's points lie on the screen, for tests that click on them as
// the user does. Kept apart from the tests because the chart engine's header
// needs Qt's keywords, which the virtual drive's headers cannot have.
#pragma once

#include <QPoint>

class CChartView;

namespace tarvex::test {

// The point `index` of series 0 at the height of the plot's middle, in the
// coordinates of the chart's window.
QPoint pointInWindow(CChartView &chart, int index);

} // namespace tarvex::test
