#include "app/ui/chart/chart_view.h"

#include "app/ui/chart/chart_pictures.h"
#include "app/ui/files/file_dialogs.h"
#include "drive/connection/message_service.h"

#include <qcustomplot.h>

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSeriesOfChannel[4] = {0, 1, 2, 5};
constexpr std::size_t kMaxPoints = 4096; // set-by-index never grows a series beyond this

QCPRange rangeOf(double min, double max)
{
    if (max == min)
        return QCPRange(min - 1.0, min + 1.0);
    return QCPRange(std::min(min, max), std::max(min, max));
}

// Ticks at whole point positions, labelled with the texts the window set for
// the points (elapsed time, frequency), never more than the width allows.
class PointLabelTicker : public QCPAxisTicker {
public:
    PointLabelTicker(const ChartLabels &labels, const long &scrolled, const ChartHistorySource *const &history)
        : labels_(labels), scrolled_(scrolled), history_(history)
    {
        setTickCount(8);
    }

protected:
    double getTickStep(const QCPRange &range) override
    {
        // Whole points in steps of 1, 2, 2.5 or 5 times a power of ten, up
        // to an hour's worth of points.
        const double raw = range.size() / std::max(1, tickCount());
        for (double decade = 1; decade < 1e9; decade *= 10)
            for (double step : {1.0, 2.0, 2.5, 5.0})
                if (step * decade >= raw && (decade > 1 || step != 2.5))
                    return step * decade;
        return 1e9;
    }
    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        const long position = std::lround(tick);
        if (position < 0)
            return history_ && -position <= history_->olderPoints() ? history_->label(position).trimmed() : QString();
        // A point not yet drawn has no label: its bare index would read as
        // a time or a frequency among the others.
        return labels_.at(scrolled_ + position).trimmed();
    }

private:
    const ChartLabels &labels_;
    const long &scrolled_;
    const ChartHistorySource *const &history_;
};

} // namespace

QColor CChartView::seriesColor(int series)
{
    switch (series) {
    case 0: return QColor(255, 0, 0);
    case 1: return QColor(0, 128, 0);
    case 2: return QColor(0, 0, 255);
    case 5: return QColor(255, 0, 255);
    default: return QColor(80, 80, 80);
    }
}

CChartView::CChartView(QWidget *parent) : QWidget(parent), plot_(new QCustomPlot(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(plot_, 1);
    // Under the plot: the way back through a long run and the fit.
    auto *bar = new QHBoxLayout;
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setObjectName(QStringLiteral("chartScrollBar"));
    endButton_ = new QToolButton(this);
    endButton_->setText(tr("End"));
    endButton_->setToolTip(tr("Follow the newest data"));
    autoscaleButton_ = new QToolButton(this);
    autoscaleButton_->setText(tr("Autoscale"));
    autoscaleButton_->setToolTip(tr("Fit the value axes to the data shown"));
    bar->addWidget(scrollBar_, 1);
    bar->addWidget(endButton_);
    bar->addStretch(0);
    bar->addWidget(autoscaleButton_);
    referenceButton_ = new QToolButton(this);
    referenceButton_->setText(tr("Load Reference..."));
    referenceButton_->setToolTip(tr("Draw a saved capture faded behind this one"));
    referenceButton_->setVisible(false);
    bar->addWidget(referenceButton_);
    // The chart's menu under a button too, for those who do not look for it
    // under the right mouse button.
    menuButton_ = new QToolButton(this);
    menuButton_->setText(tr("Export..."));
    menuButton_->setToolTip(tr("Export picture or CSV, print, copy, autoscale (also a right click on the plot)"));
    bar->addWidget(menuButton_);
    connect(menuButton_, &QToolButton::clicked, this,
            [this] { showContextMenu(menuButton_->mapToGlobal(QPoint(0, menuButton_->height()))); });
    connect(referenceButton_, &QToolButton::clicked, this, [this] {
        if (referenceLoad_)
            referenceLoad_();
    });
    // The reference lies under the live curves.
    plot_->addLayer(QStringLiteral("reference"), plot_->layer(QStringLiteral("grid")), QCustomPlot::limAbove);
    layout->addLayout(bar);
    scrollBar_->setVisible(false);
    endButton_->setVisible(false);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (movingView_)
            return;
        const double width = plot_->xAxis->range().size();
        plot_->xAxis->setRange(value, value + width);
        plot_->replot(QCustomPlot::rpQueuedReplot);
    });
    connect(endButton_, &QToolButton::clicked, this, &CChartView::followNewest);
    connect(autoscaleButton_, &QToolButton::clicked, this, [this] { autoscale(Qt::Vertical); });
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // The plot covers the whole view: its right click and the menu key are
    // where the user asks for the menu.
    plot_->setContextMenuPolicy(Qt::DefaultContextMenu);
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->installEventFilter(this);
    plot_->setMouseTracking(true);
    plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new PointLabelTicker(labels_, scrolled_, history_)));
    plot_->xAxis->grid()->setPen(QPen(QColor(210, 210, 210), 0, Qt::DotLine));
    plot_->yAxis->grid()->setPen(QPen(QColor(210, 210, 210), 0, Qt::DotLine));
    connect(plot_->yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this] { syncExtraAxes(); });
    connect(plot_->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange &range) { onXRangeChanged(range); });
    connect(plot_, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { showCursorAt(plot_->xAxis->pixelToCoord(event->position().x())); });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent *) { resetView(); });
    connect(plot_, &QCustomPlot::mousePress, this, [this](QMouseEvent *event) { pressedAt_ = event->pos(); });
    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent *event) { onPlotClick(event); });
    connect(plot_, &QCustomPlot::legendClick, this, [this](QCPLegend *, QCPAbstractLegendItem *item, QMouseEvent *) {
        if (auto *entry = qobject_cast<QCPPlottableLegendItem *>(item))
            for (const auto &[number, s] : series_)
                if (s.graph == entry->plottable())
                    setSeriesShown(number, !s.graph->visible());
    });
    // The legend sits in a row of its own above the plot, so that neither
    // the curves nor the cursor read-out ever lie under it.
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, plot_->legend);
    plot_->plotLayout()->setRowStretchFactor(0, 0.001);
    plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot_->legend->setBorderPen(Qt::NoPen);
    setUp(ChartSetup{});
}

CChartView::~CChartView() = default;

QWidget *CChartView::plotWidget() const { return plot_; }

QRect CChartView::plotArea() const { return plot_->axisRect()->rect(); }

std::vector<QRect> CChartView::timeTickLabelRects() const
{
    std::vector<QRect> rects;
    const QCPAxis &axis = *plot_->xAxis;
    const QFontMetrics metrics(axis.tickLabelFont());
    const int top = plotArea().bottom() + axis.tickLabelPadding();
    for (qsizetype i = 0; i < axis.tickVector().size(); ++i) {
        const QString text = axis.tickVectorLabels().value(i);
        if (text.isEmpty())
            continue;
        const int width = metrics.horizontalAdvance(text);
        const int centre = static_cast<int>(std::lround(axis.coordToPixel(axis.tickVector()[i])));
        rects.emplace_back(centre - width / 2, top, width, metrics.height());
    }
    return rects;
}

CChartView::Series *CChartView::series(int number)
{
    const auto it = series_.find(number);
    return it == series_.end() ? nullptr : &it->second;
}

const CChartView::Series *CChartView::series(int number) const
{
    const auto it = series_.find(number);
    return it == series_.end() ? nullptr : &it->second;
}

void CChartView::setUp(const ChartSetup &setup)
{
    setup_ = setup;
    setup_.axes = std::clamp(setup_.axes, 1, 4);
    plot_->clearGraphs();
    referenceGraphs_ = {};
    plot_->clearItems();
    triggerLine_ = nullptr;
    levelLine_ = nullptr;
    series_.clear();
    labels_.clear();
    scrolled_ = 0;
    historyPart_.clear();
    pendingShift_ = 0;
    cursorX_ = std::nan("");
    for (QCPAxis *&axis : axes_) {
        if (axis && axis != plot_->yAxis)
            plot_->axisRect()->removeAxis(axis);
        axis = nullptr;
    }

    axes_[0] = plot_->yAxis;
    for (int c = 1; c < setup_.axes; ++c)
        axes_[static_cast<std::size_t>(c)] = plot_->axisRect()->addAxis(c == 1 ? QCPAxis::atLeft : QCPAxis::atRight);

    for (int c = 0; c < setup_.axes; ++c) {
        QCPAxis *axis = axes_[static_cast<std::size_t>(c)];
        const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(c)];
        const QColor color = setup_.axes == 1 ? QColor(40, 40, 40) : seriesColor(kSeriesOfChannel[c]);
        axis->setVisible(true);
        axis->setRange(rangeOf(ch.min, ch.max));
        axis->setLabel(setup_.axes == 1 ? QString() : ch.name);
        axis->setLabelColor(color);
        axis->setTickLabelColor(color);
        axis->setBasePen(QPen(color, 1));
        axis->setTickPen(QPen(color, 1));
        axis->setSubTickPen(QPen(color, 1));
    }
    plot_->xAxis->setLabel(setup_.xCaption);
    plot_->xAxis->setRange(setup_.xFirst, setup_.xLast);
    following_ = true;

    for (int c = 0; c < 4; ++c) {
        const int number = kSeriesOfChannel[c];
        Series s;
        s.channel = c;
        s.graph = plot_->addGraph(plot_->xAxis, plot_->yAxis);
        s.graph->setPen(QPen(seriesColor(number), kLineWidth));
        s.graph->setName(setup_.channels[static_cast<std::size_t>(c)].name);
        s.graph->setVisible(setup_.channels[static_cast<std::size_t>(c)].shown);
        series_.emplace(number, std::move(s));
    }
    plot_->legend->clearItems();
    for (auto &[number, s] : series_)
        if (setup_.axes > 1 && s.graph->visible() && !s.graph->name().isEmpty())
            s.graph->addToLegend();
    // No empty box while no channel is chosen. An empty legend also leaves
    // its row: a grid column is no wider than its narrowest element allows,
    // and an empty legend allows no more than its margins, which squeezed
    // the plot to its smallest width.
    const bool legendShown = plot_->legend->itemCount() > 0;
    QCPLayoutGrid *layout = plot_->plotLayout();
    if (legendShown && !layout->element(0, 0))
        layout->addElement(0, 0, plot_->legend);
    else if (!legendShown && layout->element(0, 0) == plot_->legend)
        layout->take(plot_->legend);
    plot_->legend->setVisible(legendShown);
    fitLegend(plot_->width());

    cursorLine_ = new QCPItemStraightLine(plot_);
    cursorLine_->setPen(QPen(QColor(120, 120, 120), 0, Qt::DashLine));
    cursorLine_->setVisible(false);
    cursorLabel_ = new QCPItemText(plot_);
    cursorLabel_->setPositionAlignment(Qt::AlignTop | Qt::AlignLeft);
    cursorLabel_->position->setType(QCPItemPosition::ptAxisRectRatio);
    cursorLabel_->position->setCoords(0.01, 0.01);
    cursorLabel_->setPadding(QMargins(4, 2, 4, 2));
    cursorLabel_->setBrush(QColor(255, 255, 255, 220));
    cursorLabel_->setPen(QPen(QColor(160, 160, 160)));
    cursorLabel_->setTextAlignment(Qt::AlignLeft);
    cursorLabel_->setVisible(false);
    markers_ = {-1, -1};
    for (std::size_t m = 0; m < markerLines_.size(); ++m) {
        markerLines_[m] = new QCPItemStraightLine(plot_);
        markerLines_[m]->setPen(QPen(m == 0 ? QColor(0, 150, 150) : QColor(200, 120, 0), 1.2));
        markerLines_[m]->setVisible(false);
    }
    drawReference();
    syncExtraAxes();
    plot_->replot();
}

void CChartView::syncExtraAxes()
{
    // Channels 2 to 4 are drawn in channel 1's coordinates; their own axes
    // follow whatever part of channel 1's range is on show.
    const ChartChannel &one = setup_.channels[0];
    const QCPRange shown = plot_->yAxis->range();
    const double span1 = one.max - one.min;
    for (int c = 1; c < setup_.axes; ++c) {
        QCPAxis *axis = axes_[static_cast<std::size_t>(c)];
        const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(c)];
        if (!axis)
            continue;
        if (span1 == 0 || ch.max == ch.min) {
            axis->setRange(rangeOf(ch.min, ch.max));
            continue;
        }
        auto own = [&](double y) { return ch.min + (ch.max - ch.min) * (y - one.min) / span1; };
        axis->setRange(own(shown.lower), own(shown.upper));
    }
}

void CChartView::refreshGraph(Series &s)
{
    QVector<double> keys;
    QVector<double> values;
    for (const auto &[number, part] : historyPart_) {
        if (series(number) == &s) {
            keys = part.first;
            values = part.second;
        }
    }
    keys.reserve(keys.size() + static_cast<qsizetype>(s.values.size()));
    for (std::size_t i = 0; i < s.values.size(); ++i)
        keys.push_back(static_cast<double>(i));
    values.append(QVector<double>(s.values.begin(), s.values.end()));
    s.graph->setData(keys, values, true);
    // A dense stretch of a long run (the lows and highs of many samples per
    // pixel column) is drawn one pixel wide and unsmoothed: stroking a wide
    // smoothed pen along thousands of steep steps takes seconds per replot.
    QPen pen = s.graph->pen();
    pen.setWidthF(historyDense_ ? 0.0 : kLineWidth);
    s.graph->setPen(pen);
    s.graph->setAntialiased(!historyDense_);
}

void CChartView::append(int number, double v)
{
    Series *s = series(number);
    if (!s)
        return;
    s->values.push_back(v);
    if (s->values.size() > static_cast<std::size_t>(kWindow)) {
        s->values.erase(s->values.begin());
        // The labels scroll with the series that has dropped the most.
        ++s->dropped;
        if (s->dropped > scrolled_) {
            scrolled_ = s->dropped;
            labels_.dropBefore(scrolled_);
            // Scrolled back, the view stays on the points it shows.
            if (!following_)
                ++pendingShift_;
        }
    }
    refreshGraph(*s);
}

void CChartView::setPoint(int number, int index, double v)
{
    Series *s = series(number);
    if (!s || index < 0 || static_cast<std::size_t>(index) >= kMaxPoints)
        return;
    if (s->values.size() <= static_cast<std::size_t>(index))
        s->values.resize(static_cast<std::size_t>(index) + 1, 0.0);
    s->values[static_cast<std::size_t>(index)] = v;
    refreshGraph(*s);
}

double CChartView::value(int number, int index) const
{
    const Series *s = series(number);
    if (!s || index < 0 || static_cast<std::size_t>(index) >= s->values.size())
        return 0.0;
    return s->values[static_cast<std::size_t>(index)];
}

int CChartView::count(int number) const
{
    const Series *s = series(number);
    return s ? static_cast<int>(s->values.size()) : 0;
}

void CChartView::setLabel(int index, const QString &text)
{
    if (index >= 0)
        labels_.set(scrolled_ + index, text);
}

QString CChartView::label(int index) const { return index < 0 ? QString() : labels_.at(scrolled_ + index); }

void CChartView::redraw()
{
    if (pendingShift_ != 0) {
        const long shift = pendingShift_;
        pendingShift_ = 0;
        movingView_ = true;
        plot_->xAxis->moveRange(-static_cast<double>(shift));
        movingView_ = false;
    }
    if (history_) {
        rebuildHistory();
        syncScrollBar();
    }
    if (!std::isnan(cursorX_) || markers_[0] >= 0 || markers_[1] >= 0)
        showCursorAt(cursorX_);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::resetView()
{
    plot_->xAxis->setRange(setup_.xFirst - static_cast<double>(olderPoints()), setup_.xLast);
    plot_->yAxis->setRange(rangeOf(setup_.channels[0].min, setup_.channels[0].max));
    syncExtraAxes();
    plot_->replot();
    // A run the window keeps is shown whole, with the values fitted to it:
    // its limits may cut off what the run holds.
    if (history_)
        autoscale(Qt::Vertical);
}

void CChartView::showCursorAt(double x)
{
    const int longest = longestSeries();
    const long position = std::isfinite(x) ? std::lround(x) : -1;
    if (!std::isfinite(x) || longest == 0 || position < -olderPoints() || position >= longest) {
        cursorX_ = std::nan("");
        cursorLine_->setVisible(false);
        updateReadout();
        return;
    }
    cursorX_ = static_cast<double>(position);
    cursorLine_->point1->setCoords(cursorX_, 0);
    cursorLine_->point2->setCoords(cursorX_, 1);
    cursorLine_->setVisible(true);
    updateReadout();
}

void CChartView::updateReadout()
{
    QString text = cursorText();
    const QString measured = measurementText();
    if (!measured.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + measured;
    cursorLabel_->setText(text);
    cursorLabel_->setVisible(!text.isEmpty());
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

int CChartView::longestSeries() const
{
    int longest = 0;
    for (const auto &[n, s] : series_)
        longest = std::max(longest, static_cast<int>(s.values.size()));
    return longest;
}

double CChartView::ownValue(const Series &s, int position) const
{
    const ChartChannel &one = setup_.channels[0];
    const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(s.channel)];
    double shown = 0;
    if (position >= 0) {
        shown = s.values[static_cast<std::size_t>(position)];
    } else {
        for (const auto &[number, other] : series_)
            if (&other == &s)
                plottedAt(number, s, position, shown);
    }
    // Back from channel 1's coordinates to the channel's own units.
    if (s.channel > 0 && one.max != one.min)
        shown = ch.min + (ch.max - ch.min) * (shown - one.min) / (one.max - one.min);
    return shown;
}

void CChartView::setMeasureCursor(int which, double x)
{
    const long position = std::lround(x);
    if (position < 0 || position >= longestSeries())
        return;
    const std::size_t m = static_cast<std::size_t>(which & 1);
    markers_[m] = static_cast<double>(position);
    markerLines_[m]->point1->setCoords(markers_[m], 0);
    markerLines_[m]->point2->setCoords(markers_[m], 1);
    markerLines_[m]->setVisible(true);
    updateReadout();
}

void CChartView::clearMeasureCursors()
{
    markers_ = {-1, -1};
    for (QCPItemStraightLine *line : markerLines_)
        line->setVisible(false);
    updateReadout();
}

bool CChartView::cursorSpan(double &span) const
{
    const int a = static_cast<int>(markers_[0]);
    const int b = static_cast<int>(markers_[1]);
    if (pointSpacing_ > 0) {
        span = (b - a) * pointSpacing_;
        return true;
    }
    bool okA = false;
    bool okB = false;
    const double at = label(a).trimmed().toDouble(&okA);
    const double bt = label(b).trimmed().toDouble(&okB);
    if (!okA || !okB)
        return false;
    span = bt - at;
    if (setup_.xCaption == QLatin1String("[ms]"))
        span /= 1000.0;
    return true;
}

QString CChartView::measurementText() const
{
    if (markers_[0] < 0 || markers_[1] < 0)
        return {};
    const int a = static_cast<int>(markers_[0]);
    const int b = static_cast<int>(markers_[1]);
    QString text;
    double span = 0;
    const bool frequency = setup_.xCaption == QLatin1String("[Hz]");
    if (!cursorSpan(span)) {
        text = QStringLiteral("\u0394x: %1 points").arg(b - a);
    } else if (frequency) {
        text = QStringLiteral("\u0394f: %1 Hz").arg(span, 0, 'g', 6);
    } else {
        text = QStringLiteral("\u0394t: %1 ms").arg(span * 1000.0, 0, 'g', 6);
        if (span != 0)
            text += QStringLiteral("\n1/\u0394t: %1 Hz").arg(1.0 / std::fabs(span), 0, 'g', 6);
    }
    for (const auto &[number, s] : series_) {
        const auto size = static_cast<int>(s.values.size());
        if (!s.graph->visible() || a >= size || b >= size)
            continue;
        const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(s.channel)];
        const double delta = ownValue(s, b) - ownValue(s, a);
        text += QStringLiteral("\n\u0394 %1: %2").arg(ch.name.isEmpty() ? QStringLiteral("value") : ch.name)
                    .arg(delta, 0, 'g', 6);
    }
    return text;
}

void CChartView::onPlotClick(QMouseEvent *event)
{
    // A press and release in one place is a click; anything else was a pan.
    if (event->button() != Qt::LeftButton || (event->pos() - pressedAt_).manhattanLength() > 3)
        return;
    if (!plot_->axisRect()->rect().contains(event->pos()))
        return;
    const int which = event->modifiers().testFlag(Qt::ShiftModifier) ? 1 : 0;
    setMeasureCursor(which, plot_->xAxis->pixelToCoord(event->position().x()));
}

void CChartView::setTriggerMarks(double position, const double *level)
{
    if (triggerLine_)
        plot_->removeItem(triggerLine_);
    if (levelLine_)
        plot_->removeItem(levelLine_);
    levelLine_ = nullptr;
    const QPen pen(QColor(120, 0, 160), 1, Qt::DashDotLine);
    triggerLine_ = new QCPItemStraightLine(plot_);
    triggerLine_->setPen(pen);
    triggerLine_->point1->setCoords(position, 0);
    triggerLine_->point2->setCoords(position, 1);
    if (level) {
        levelLine_ = new QCPItemStraightLine(plot_);
        levelLine_->setPen(pen);
        levelLine_->point1->setCoords(0, *level);
        levelLine_->point2->setCoords(1, *level);
    }
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::setSeriesShown(int number, bool shown)
{
    Series *s = series(number);
    if (!s)
        return;
    s->graph->setVisible(shown);
    if (QCPPlottableLegendItem *entry = plot_->legend->itemWithPlottable(s->graph))
        entry->setTextColor(shown ? QColor(0, 0, 0) : QColor(170, 170, 170));
    updateReadout();
}

bool CChartView::seriesShown(int number) const
{
    const Series *s = series(number);
    return s && s->graph->visible();
}

QString CChartView::cursorText() const
{
    if (std::isnan(cursorX_))
        return {};
    const int position = static_cast<int>(cursorX_);
    QString text = position < 0 ? (history_ ? history_->label(position).trimmed() : QString()) : label(position).trimmed();
    if (text.isEmpty())
        text = QString::number(position);
    if (!setup_.xCaption.isEmpty())
        text += QLatin1Char(' ') + setup_.xCaption;
    for (const auto &[number, s] : series_) {
        double plotted = 0;
        if (!s.graph->visible() || (position >= 0 && static_cast<std::size_t>(position) >= s.values.size()) ||
            (position < 0 && !plottedAt(number, s, position, plotted)))
            continue;
        const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(s.channel)];
        const double shown = ownValue(s, position);
        text += QStringLiteral("\n%1: %2").arg(ch.name.isEmpty() ? QStringLiteral("value") : ch.name)
                    .arg(shown, 0, 'f', std::fabs(shown - std::round(shown)) < 1e-9 ? 0 : 2);
    }
    return text;
}

void CChartView::autoscale(Qt::Orientations orientations)
{
    bool any = false;
    for (const auto &[number, s] : series_)
        any = any || (s.graph->visible() && !s.values.empty());
    if (!any)
        return;
    if (orientations & Qt::Horizontal) {
        // The whole run, the history before point 0 included.
        double first = 0;
        double last = -1;
        for (const auto &[number, s] : series_) {
            if (!s.graph->visible() || s.values.empty())
                continue;
            first = std::min(first, history_ && history_->hasSeries(number) ? -static_cast<double>(olderPoints()) : 0.0);
            last = std::max(last, static_cast<double>(s.values.size() - 1));
        }
        plot_->xAxis->setRange(first, std::max(last, first + 1));
    }
    if (orientations & Qt::Vertical) {
        bool found = false;
        double low = 0;
        double high = 0;
        for (const auto &[number, s] : series_) {
            double l = 0;
            double h = 0;
            if (!s.graph->visible() || !visibleValueRange(s, l, h))
                continue;
            low = found ? std::min(low, l) : l;
            high = found ? std::max(high, h) : h;
            found = true;
        }
        if (found) {
            // A flat trace still gets a band around it.
            const double margin = high > low ? (high - low) * 0.05 : 1.0;
            plot_->yAxis->setRange(low - margin, high + margin);
        }
    }
    syncExtraAxes();
    plot_->replot();
}

void CChartView::asPicture(const std::function<void()> &draw)
{
    // What follows the mouse belongs to the screen, and an axis without a
    // curve would read as a channel lost.
    std::vector<QCPLayerable *> hidden;
    for (QCPLayerable *part : std::initializer_list<QCPLayerable *>{cursorLine_, cursorLabel_})
        if (part && part->visible())
            hidden.push_back(part);
    for (int c = 1; c < setup_.axes; ++c) {
        const int number = kSeriesOfChannel[c];
        const Series *s = series(number);
        const bool draws = s && s->graph->visible() && (!s->values.empty() || (history_ && history_->hasSeries(number)));
        QCPAxis *axis = axes_[static_cast<std::size_t>(c)];
        if (axis && axis->visible() && !draws)
            hidden.push_back(axis);
    }
    for (QCPLayerable *part : hidden)
        part->setVisible(false);
    draw();
    for (QCPLayerable *part : hidden)
        part->setVisible(true);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

bool CChartView::exportTo(const QString &path, QSize size)
{
    if (!size.isValid())
        size = chart_pictures::defaultPictureSize(plot_->size());
    bool written = false;
    asPicture([&] { written = chart_pictures::writePicture(*plot_, path, size); });
    return written;
}

void CChartView::exportWithDialog()
{
    const tarvex::FileType pictures{QStringLiteral("picture"),
                            {tr("PNG picture (*.png)"), tr("JPEG picture (*.jpg *.jpeg)"), tr("PDF document (*.pdf)"),
                             tr("SVG drawing (*.svg)")}};
    const QString path = tarvex::chooseFile(this, pictures, tarvex::FileChoice::Save, tr("Export Picture"));
    if (path.isEmpty())
        return;
    const std::optional<QSize> size = chart_pictures::askPictureSize(this, plot_->size());
    if (!size)
        return;
    if (!exportTo(path, *size) && messages_)
        messages_->show("Cannot Export Picture File");
}

void CChartView::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    asPicture([&] { chart_pictures::printOn(*plot_, printer); });
}

void CChartView::copyToClipboard()
{
    asPicture([this] { chart_pictures::copyToClipboard(*plot_); });
}

void CChartView::fillContextMenu(QMenu &menu)
{
    menu.addAction(tr("Reset View"), this, &CChartView::resetView);
    QMenu *scale = menu.addMenu(tr("Autoscale"));
    scale->addAction(tr("All Axes"), this, [this] { autoscale(Qt::Horizontal | Qt::Vertical); });
    scale->addAction(tr("Time Axis"), this, [this] { autoscale(Qt::Horizontal); });
    scale->addAction(tr("Value Axes"), this, [this] { autoscale(Qt::Vertical); });
    if (setup_.axes > 1) {
        scale->addSeparator();
        for (int c = 0; c < setup_.axes; ++c) {
            const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(c)];
            const Series *s = series(kSeriesOfChannel[c]);
            QAction *fit = scale->addAction(tr("Axis of %1").arg(ch.name.isEmpty() ? tr("Channel %1").arg(c + 1) : ch.name),
                                            this, [this, c] { autoscaleChannel(c); });
            fit->setEnabled(s && s->graph->visible() && !s->values.empty() && (c == 0 || limitsFit_));
        }
    }
    menu.addSeparator();
    menu.addAction(tr("Export Picture..."), this, &CChartView::exportWithDialog);
    menu.addAction(tr("Print..."), this, &CChartView::print);
    menu.addAction(tr("Copy to Clipboard"), this, &CChartView::copyToClipboard);
    QAction *clear = menu.addAction(tr("Clear Cursors"), this, &CChartView::clearMeasureCursors);
    clear->setEnabled(markers_[0] >= 0 || markers_[1] >= 0);
    QAction *csv = menu.addAction(tr("Export CSV..."), this, [this] {
        if (exportCsv_)
            exportCsv_();
    });
    csv->setEnabled(static_cast<bool>(exportCsv_));
    if (referenceLoad_) {
        menu.addSeparator();
        menu.addAction(tr("Load Reference..."), this, [this] { referenceLoad_(); });
        menu.addAction(tr("Clear Reference"), this, &CChartView::clearReference)->setEnabled(hasReference());
    }
    if (spectrumRequest_) {
        menu.addSeparator();
        menu.addAction(tr("Spectrum of Whole Capture..."), this, [this] { spectrumRequest_(false); });
        menu.addAction(tr("Spectrum of Shown Range..."), this, [this] { spectrumRequest_(true); });
    }
}

void CChartView::showContextMenu(const QPoint &globalPos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("chartContextMenu"));
    fillContextMenu(menu);
    menu.exec(globalPos);
}

void CChartView::fitLegend(int width)
{
    QCPLegend &legend = *plot_->legend;
    // The grid's cells in their order; a wrapped grid has empty ones.
    std::vector<int> entries;
    for (int i = 0; i < legend.elementCount(); ++i)
        if (QCPLayoutElement *entry = legend.elementAt(i))
            entries.push_back(entry->minimumOuterSizeHint().width());
    const int count = static_cast<int>(entries.size());
    if (count == 0)
        return;
    const int room = width - legend.margins().left() - legend.margins().right();
    int columns = count;
    for (; columns > 1; --columns) {
        int widest = 0;
        for (int first = 0; first < count; first += columns) {
            int row = (columns - 1) * legend.columnSpacing();
            for (int i = first; i < std::min(count, first + columns); ++i)
                row += entries[static_cast<std::size_t>(i)];
            widest = std::max(widest, row);
        }
        if (widest <= room)
            break;
    }
    if (legend.wrap() != columns) {
        legend.setWrap(columns);
        legend.setFillOrder(QCPLegend::foColumnsFirst, true);
    }
}

bool CChartView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != plot_)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Resize)
        fitLegend(static_cast<QResizeEvent *>(event)->size().width());
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        // The wheel scrolls through time; with Ctrl it zooms time, with
        // Shift and Ctrl the values, as the plot does.
        if (wheel->modifiers().testFlag(Qt::ControlModifier)) {
            plot_->axisRect()->setRangeZoom(wheel->modifiers().testFlag(Qt::ShiftModifier) ? Qt::Vertical
                                                                                           : Qt::Horizontal);
            return false;
        }
        wheelScroll(*wheel);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (navigationKey(*key))
            return true;
        const bool menuKey = key->key() == Qt::Key_Menu ||
                             (key->key() == Qt::Key_F10 && key->modifiers().testFlag(Qt::ShiftModifier));
        if (!menuKey)
            return false;
        // Some platforms follow the menu key with a context menu request of
        // their own; that one is not to open the menu a second time.
        keyMenuShown_ = key->key() == Qt::Key_Menu;
        showContextMenu(plot_->mapToGlobal(plot_->rect().center()));
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        const auto *request = static_cast<QContextMenuEvent *>(event);
        const bool echo = request->reason() == QContextMenuEvent::Keyboard && keyMenuShown_;
        keyMenuShown_ = false;
        if (!echo)
            showContextMenu(request->globalPos());
        return true;
    }
    return false;
}

void CChartView::contextMenuEvent(QContextMenuEvent *event)
{
    showContextMenu(event->globalPos());
    event->accept();
}
