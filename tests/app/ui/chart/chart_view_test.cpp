// The chart component as the graph windows use it: set-up, the scrolling
// window of the trace, set-by-index of the captures, read-back, labels, the
// cursor read-out and exported pictures that image readers can open.
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "drive/connection/message_service.h"
#include "app/graphs/yaxis_dialog.h"

#include <qcustomplot.h>

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

ChartSetup fourChannels()
{
    ChartSetup s;
    s.channels = {{{"Current Speed[rpm]", 3500, -3500, true},
                   {"current Torque[%]", 200, -200, true},
                   {"Not Use", 200, -200, false},
                   {"DC Link Voltage[v]", 500, 0, true}}};
    s.xCaption = "[ms]";
    s.xFirst = 0;
    s.xLast = 255;
    return s;
}

} // namespace

TEST(ChartView, SetUpBuildsOnePlotRangeAndAnAxisPerChannel)
{
    CChartView view;
    view.setUp(fourChannels());
    EXPECT_DOUBLE_EQ(view.plot()->yAxis->range().lower, -3500);
    EXPECT_DOUBLE_EQ(view.plot()->yAxis->range().upper, 3500);
    EXPECT_EQ(view.plot()->xAxis->label(), "[ms]");
    const auto left = view.plot()->axisRect()->axes(QCPAxis::atLeft);
    const auto right = view.plot()->axisRect()->axes(QCPAxis::atRight);
    ASSERT_EQ(left.size(), 2); // channel 1 and channel 2
    EXPECT_EQ(left[1]->label(), "current Torque[%]");
    EXPECT_DOUBLE_EQ(left[1]->range().upper, 200);
    EXPECT_EQ(left[1]->labelColor(), QColor(0, 128, 0));
    EXPECT_GE(right.size(), 2);
    // Setting up again clears data and rebuilds rather than adding axes.
    view.setPoint(0, 3, 10);
    view.setUp(fourChannels());
    EXPECT_EQ(view.count(0), 0);
    EXPECT_EQ(view.plot()->axisRect()->axes(QCPAxis::atLeft).size(), 2);
}

TEST(ChartView, AppendKeeps361PointsAndTheLabelsScrollWithThem)
{
    CChartView view;
    ChartSetup s = fourChannels();
    s.xLast = 360;
    view.setUp(s);
    for (int i = 0; i < 400; ++i) {
        view.append(0, i);
        view.append(5, -i);
        view.setLabel(view.count(0) - 1, QString::number(i));
    }
    EXPECT_EQ(view.count(0), 361);
    EXPECT_EQ(view.count(5), 361);
    EXPECT_EQ(view.count(1), 0);
    EXPECT_DOUBLE_EQ(view.value(0, 0), 39); // the oldest 39 scrolled out
    EXPECT_DOUBLE_EQ(view.value(0, 360), 399);
    EXPECT_DOUBLE_EQ(view.value(5, 360), -399);
    EXPECT_EQ(view.label(0), "39");
    EXPECT_EQ(view.label(360), "399");
    EXPECT_DOUBLE_EQ(view.value(0, 361), 0.0); // read-back outside the window
    EXPECT_DOUBLE_EQ(view.value(4, 0), 0.0);   // not a series number
}

TEST(ChartView, OnlyLabelledPointsCarryATickLabel)
{
    CChartView view;
    ChartSetup s = fourChannels();
    s.xLast = 360;
    view.setUp(s);
    for (int i = 0; i < 3; ++i) {
        view.append(0, i);
        view.setLabel(i, QString::asprintf("%.2f ", (i + 1) * 0.02));
    }
    QVector<double> ticks;
    QVector<double> subTicks;
    QVector<QString> texts;
    view.plot()->xAxis->ticker()->generate(QCPRange(0, 360), QLocale::c(), QLatin1Char('g'), 6, ticks, &subTicks,
                                           &texts);
    ASSERT_EQ(ticks.size(), texts.size());
    ASSERT_GT(ticks.size(), 2);
    EXPECT_EQ(texts.front(), "0.02") << "the first point's time, trimmed";
    for (qsizetype i = 1; i < ticks.size(); ++i)
        EXPECT_TRUE(texts[i].isEmpty()) << "a point not drawn yet shows no index at tick " << ticks[i];
}

TEST(ChartView, SetPointFillsByIndexAndIgnoresAbsurdIndices)
{
    CChartView view;
    view.setUp(fourChannels());
    view.setPoint(2, 255, 7);
    EXPECT_EQ(view.count(2), 256);
    EXPECT_DOUBLE_EQ(view.value(2, 0), 0);
    EXPECT_DOUBLE_EQ(view.value(2, 255), 7);
    view.setPoint(2, -1, 1);
    view.setPoint(2, 1 << 30, 1);
    EXPECT_EQ(view.count(2), 256);
    view.setLabel(10, "2.0 ");
    EXPECT_EQ(view.label(10), "2.0 ");
}

TEST(ChartView, CursorReadsEachChannelInItsOwnUnits)
{
    CChartView view;
    view.setUp(fourChannels());
    view.setPoint(0, 5, 1200);
    view.setPoint(1, 5, 1750);   // torque 100 % mapped into +-3500
    view.setPoint(5, 5, -3500);  // 0 V
    view.setLabel(5, "1.0 ");
    view.showCursorAt(5.2);
    const QString text = view.cursorText();
    EXPECT_TRUE(text.startsWith("1.0 [ms]")) << text.toStdString();
    EXPECT_TRUE(text.contains("Current Speed[rpm]: 1200")) << text.toStdString();
    EXPECT_TRUE(text.contains("current Torque[%]: 100")) << text.toStdString();
    EXPECT_TRUE(text.contains("DC Link Voltage[v]: 0")) << text.toStdString();
    EXPECT_FALSE(text.contains("Not Use"));
    view.showCursorAt(400);
    EXPECT_TRUE(view.cursorText().isEmpty());
}

TEST(ChartView, ZoomMovesTheChannelAxesAlongAndResetRestores)
{
    CChartView view;
    view.setUp(fourChannels());
    view.plot()->yAxis->setRange(0, 3500); // the upper half of channel 1
    const auto torque = view.plot()->axisRect()->axes(QCPAxis::atLeft)[1];
    EXPECT_DOUBLE_EQ(torque->range().lower, 0);
    EXPECT_DOUBLE_EQ(torque->range().upper, 200);
    view.resetView();
    EXPECT_DOUBLE_EQ(view.plot()->yAxis->range().lower, -3500);
    EXPECT_DOUBLE_EQ(torque->range().lower, -200);
}

TEST(ChartView, ExportsPicturesImageToolsCanOpen)
{
    CChartView view;
    view.resize(800, 500);
    view.setUp(fourChannels());
    for (int i = 0; i < 256; ++i)
        view.setPoint(0, i, 3000 * std::sin(i / 20.0));
    QTemporaryDir dir;
    for (const char *name : {"chart.png", "chart.jpg"}) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(view.exportTo(path)) << name;
        QImageReader reader(path);
        const QImage image = reader.read();
        EXPECT_FALSE(image.isNull()) << name << reader.errorString().toStdString();
        EXPECT_GE(image.width(), 640);
    }
    const QString pdf = dir.filePath("chart.pdf");
    ASSERT_TRUE(view.exportTo(pdf));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_GT(file.size(), 1000);
    // The drawing as SVG: an XML document whose root is an svg element.
    const QString svg = dir.filePath("chart.svg");
    ASSERT_TRUE(view.exportTo(svg));
    QFile svgFile(svg);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    while (!xml.atEnd() && !xml.isStartElement())
        xml.readNext();
    EXPECT_EQ(xml.name().toString(), "svg");
    int drawn = 0; // lines, curves and texts
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() != QLatin1String("g"))
            ++drawn;
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(drawn, 20);
    EXPECT_FALSE(view.exportTo(dir.filePath("chart.bmpx")));
    EXPECT_FALSE(view.exportTo(dir.filePath("missing/dir/chart.png")));
}

// Pixels of a series' colour: its curve, axis and legend entry.
int pixelsOfColour(const QImage &image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    return count;
}

TEST(ChartView, PicturesShowTheDataAtTheChosenSizeWithoutHoverOrUnusedAxes)
{
    CChartView view;
    view.resize(700, 430);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setUp(fourChannels());
    for (int i = 0; i < 256; ++i)
        view.setPoint(0, i, 3000 * std::sin(i / 20.0)); // channel 4 (series 5) draws nothing
    QTemporaryDir dir;
    const QSize shown = view.plotWidget()->size();
    const QSize byDefault(std::max(1600, 2 * shown.width()), std::max(1000, 2 * shown.height()));
    for (QSize asked : {QSize(), QSize(1234, 777)}) {
        const QString hovered = dir.filePath("hovered.png");
        const QString still = dir.filePath("still.png");
        QTest::mouseMove(view.plotWidget(), view.plotArea().center());
        ASSERT_FALSE(view.cursorText().isEmpty()) << "the hover read-out is up";
        ASSERT_TRUE(view.exportTo(hovered, asked));
        view.showCursorAt(std::nan(""));
        ASSERT_TRUE(view.exportTo(still, asked));
        const QImage picture(hovered);
        EXPECT_EQ(picture.size(), asked.isValid() ? asked : byDefault);
        EXPECT_TRUE(picture == QImage(still)) << "no hover line nor read-out in the picture";
        // Its legend entry's short line stays; an axis would run the plot's height.
        EXPECT_LT(pixelsOfColour(picture, CChartView::seriesColor(5)), picture.height() / 4)
            << "no axis for a channel without data";
        EXPECT_GT(pixelsOfColour(picture, CChartView::seriesColor(0)), 1000);
    }
    EXPECT_TRUE(view.plot()->axisRect()->axes(QCPAxis::atRight).last()->visible()) << "the window keeps its axes";
}

TEST(ChartView, EqualLimitsStillDrawAnAxis)
{
    CChartView view;
    ChartSetup s = fourChannels();
    s.channels[1].max = s.channels[1].min = 50;
    view.setUp(s);
    const auto axis = view.plot()->axisRect()->axes(QCPAxis::atLeft)[1];
    EXPECT_LT(axis->range().lower, axis->range().upper);
}

TEST(YAxisDialog, ALimitThatIsNoWholeNumberInBoundsKeepsTheDialogOpen)
{
    struct Recorder : tarvex::MessageService {
        std::vector<tarvex::Message> shown;
        bool present(const tarvex::Message &message) override
        {
            shown.push_back(message);
            return false;
        }
    } messages;
    CYaxisDlg dialog;
    tarvex::graphs::ChannelLimits limits = tarvex::graphs::kDefaultLimits;
    bool stayedOpen = false;
    QTimer::singleShot(0, [&] {
        dialog.maxEdit(1)->setText(QStringLiteral("35OO"));
        dialog.minEdit(2)->setText(QStringLiteral("-2000000"));
        dialog.apply();
        stayedOpen = dialog.isVisible();
        dialog.cancel();
    });
    EXPECT_FALSE(dialog.edit(limits, &messages));
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Please enter an integer between -1000000 and 1000000.");
    EXPECT_EQ(messages.shown[0].detail, "Monitor Channel 2 Max: \"35OO\" was not taken.");
    EXPECT_EQ(limits[1].max, 3500) << "nothing changed";
}

TEST(YAxisDialog, ApplyHandsTheLimitsBackAndCancelKeepsThem)
{
    CYaxisDlg dialog;
    tarvex::graphs::ChannelLimits limits = tarvex::graphs::kDefaultLimits;
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(dialog.maxEdit(2)->value(), 200);
        dialog.maxEdit(0)->setValue(1000);
        dialog.minEdit(3)->setValue(-5);
        dialog.apply();
    });
    EXPECT_TRUE(dialog.edit(limits));
    EXPECT_EQ(limits[0].max, 1000);
    EXPECT_EQ(limits[3].min, -5);
    EXPECT_EQ(limits[1].max, 3500);

    QTimer::singleShot(0, [&] {
        dialog.maxEdit(0)->setValue(1);
        dialog.cancel();
    });
    EXPECT_FALSE(dialog.edit(limits));
    EXPECT_FALSE(dialog.applied());
    EXPECT_EQ(limits[0].max, 1000);
}
