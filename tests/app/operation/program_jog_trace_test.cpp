// Measuring on a data trace as an engineer does: the program jog runs a
// known speed/time pattern on the virtual drive, the data trace records the
// command speed, and the two cursors, placed with the mouse on consecutive
// rising edges, read the program's cycle time.
#include "tests/app/support/chart_pixels.h"
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "tests/app/operation/operation_fixture.h"
#include "app/operation/program_jog_dlg.h"
#include "app/graphs/trace/trace_graph_dlg.h"
#include "tests/app/support/ui_pump.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>

namespace tarvex {
namespace {

using namespace std::chrono_literals;

constexpr int kCommandSpeedEntry = 2;
constexpr int kPeriodMs = 13; // the shortest the window takes at the dialog's 19200 baud
// Step 1 runs at 500 rpm for 350 ms, step 2 at standstill for 250 ms; steps
// 3 and 4 have no time and are skipped.
constexpr int kCycleMs = 350 + 250;

class ProgramJogTrace : public test::OperationWindowFixture<CProgramJogDlg> {
protected:
    void TearDown() override
    {
        if (trace) {
            trace->endWorker();
            trace.reset();
        }
    }

    void runProgram()
    {
        open();
        const char *program[] = {"500", "0", "0", "0", "350", "250", "0", "0"};
        for (int i = 0; i < 8; ++i)
            window->programEdit(i).setText(QString::fromLatin1(program[i]));
        click(window->applyButton());
        messages.answerNext(true);
        click(window->startButton());
        ASSERT_TRUE(window->running());
    }

    // The indices of the points where the plotted speed first reaches half
    // the step's speed on its way up.
    std::vector<int> risingEdges()
    {
        std::vector<int> edges;
        CChartView &chart = trace->chart();
        for (int i = 1; i < chart.count(0); ++i)
            if (chart.value(0, i - 1) < 250 && chart.value(0, i) >= 250)
                edges.push_back(i);
        return edges;
    }

    std::unique_ptr<TraceGraphDlg> trace;
};

TEST_F(ProgramJogTrace, TwoCursorsOnConsecutiveRisingEdgesMeasureTheProgramsCycle)
{
    runProgram();
    trace = std::make_unique<TraceGraphDlg>(&connection());
    trace->resize(1000, 640);
    test::showActive(*trace);
    trace->channelList(0).setCurrentIndex(kCommandSpeedEntry);
    trace->periodEdit().setValue(kPeriodMs);
    QTest::mouseClick(&trace->applyButton(), Qt::LeftButton);
    QTest::mouseClick(&trace->startButton(), Qt::LeftButton);
    ASSERT_TRUE(trace->isRunning()) << (messages.empty() ? "" : messages.texts().front());
    // Three cycles and a little.
    ASSERT_TRUE(test::pumpUntil([&] { return trace->plottedPoints() * kPeriodMs > 3 * kCycleMs + 200; }, 15s));
    QTest::mouseClick(&trace->stopButton(), Qt::LeftButton);
    click(window->startButton()); // the program stops
    EXPECT_FALSE(window->running());

    const std::vector<int> edges = risingEdges();
    ASSERT_GE(edges.size(), 2u) << "the trace holds at least two rising edges";
    QWidget *top = trace->chart().window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, test::pointInWindow(trace->chart(), edges[0]));
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::ShiftModifier,
                      test::pointInWindow(trace->chart(), edges[1]));
    test::pumpFor(20ms);

    const QString readout = trace->chart().measurementText();
    const QRegularExpressionMatch dt = QRegularExpression(QStringLiteral("\u0394t: ([-0-9.e+]+) ms")).match(readout);
    ASSERT_TRUE(dt.hasMatch()) << readout.toStdString();
    const double measured = dt.captured(1).toDouble();
    EXPECT_NEAR(measured, kCycleMs, 2.0 * kPeriodMs) << readout.toStdString();
    const QRegularExpressionMatch hz = QRegularExpression(QStringLiteral("1/\u0394t: ([-0-9.e+]+) Hz")).match(readout);
    ASSERT_TRUE(hz.hasMatch()) << readout.toStdString();
    EXPECT_NEAR(hz.captured(1).toDouble(), 1000.0 / measured, 1e-3);
    EXPECT_TRUE(messages.texts().size() == 1) << "only the start question";
}

} // namespace
} // namespace tarvex
