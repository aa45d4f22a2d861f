#include "chart_view.h"

#include <qcustomplot.h>

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
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
    explicit PointLabelTicker(const ChartLabels &labels, const long &scrolled)
        : labels_(labels), scrolled_(scrolled)
    {
        setTickCount(8);
    }

protected:
    double getTickStep(const QCPRange &range) override
    {
        const double raw = range.size() / std::max(1, tickCount());
        for (double step : {1.0, 2.0, 5.0, 10.0, 20.0, 25.0, 50.0, 100.0, 200.0, 500.0})
            if (step >= raw)
                return step;
        return 1000.0;
    }
    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        const long position = std::lround(tick);
        if (position < 0)
            return {};
        // A point not yet drawn has no label: its bare index would read as
        // a time or a frequency among the others.
        return labels_.at(scrolled_ + position).trimmed();
    }

private:
    const ChartLabels &labels_;
    const long &scrolled_;
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
    layout->addWidget(plot_);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->setContextMenuPolicy(Qt::NoContextMenu);
    plot_->setMouseTracking(true);
    plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new PointLabelTicker(labels_, scrolled_)));
    plot_->xAxis->grid()->setPen(QPen(QColor(210, 210, 210), 0, Qt::DotLine));
    plot_->yAxis->grid()->setPen(QPen(QColor(210, 210, 210), 0, Qt::DotLine));
    connect(plot_->yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this] { syncExtraAxes(); });
    connect(plot_, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent *event) { showCursorAt(plot_->xAxis->pixelToCoord(event->position().x())); });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent *) { resetView(); });
    setUp(ChartSetup{});
}

CChartView::~CChartView() = default;

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
    plot_->clearItems();
    series_.clear();
    labels_.clear();
    scrolled_ = 0;
    cursorX_ = -1;
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

    for (int c = 0; c < 4; ++c) {
        const int number = kSeriesOfChannel[c];
        Series s;
        s.channel = c;
        s.graph = plot_->addGraph(plot_->xAxis, plot_->yAxis);
        s.graph->setPen(QPen(seriesColor(number), 1.4));
        s.graph->setName(setup_.channels[static_cast<std::size_t>(c)].name);
        s.graph->setVisible(setup_.channels[static_cast<std::size_t>(c)].shown);
        series_.emplace(number, std::move(s));
    }
    plot_->legend->clearItems();
    plot_->legend->setVisible(setup_.axes > 1);
    for (auto &[number, s] : series_)
        if (setup_.axes > 1 && s.graph->visible() && !s.graph->name().isEmpty())
            s.graph->addToLegend();
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);

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
    QVector<double> keys(static_cast<int>(s.values.size()));
    for (int i = 0; i < keys.size(); ++i)
        keys[i] = i;
    s.graph->setData(keys, QVector<double>(s.values.begin(), s.values.end()), true);
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
    if (cursorX_ >= 0)
        showCursorAt(cursorX_);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::resetView()
{
    plot_->xAxis->setRange(setup_.xFirst, setup_.xLast);
    plot_->yAxis->setRange(rangeOf(setup_.channels[0].min, setup_.channels[0].max));
    syncExtraAxes();
    plot_->replot();
}

void CChartView::showCursorAt(double x)
{
    int longest = 0;
    for (const auto &[n, s] : series_)
        longest = std::max(longest, static_cast<int>(s.values.size()));
    const long position = std::lround(x);
    if (longest == 0 || position < 0 || position >= longest) {
        cursorX_ = -1;
        cursorLine_->setVisible(false);
        cursorLabel_->setVisible(false);
        plot_->replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    cursorX_ = static_cast<double>(position);
    cursorLine_->point1->setCoords(cursorX_, 0);
    cursorLine_->point2->setCoords(cursorX_, 1);
    cursorLine_->setVisible(true);
    cursorLabel_->setText(cursorText());
    cursorLabel_->setVisible(true);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

QString CChartView::cursorText() const
{
    if (cursorX_ < 0)
        return {};
    const int position = static_cast<int>(cursorX_);
    QString text = label(position).trimmed();
    if (text.isEmpty())
        text = QString::number(position);
    if (!setup_.xCaption.isEmpty())
        text += QLatin1Char(' ') + setup_.xCaption;
    const ChartChannel &one = setup_.channels[0];
    for (const auto &[number, s] : series_) {
        if (!s.graph->visible() || static_cast<std::size_t>(position) >= s.values.size())
            continue;
        const ChartChannel &ch = setup_.channels[static_cast<std::size_t>(s.channel)];
        double shown = s.values[static_cast<std::size_t>(position)];
        // Back from channel 1's coordinates to the channel's own units.
        if (s.channel > 0 && one.max != one.min)
            shown = ch.min + (ch.max - ch.min) * (shown - one.min) / (one.max - one.min);
        text += QStringLiteral("\n%1: %2").arg(ch.name.isEmpty() ? QStringLiteral("value") : ch.name)
                    .arg(shown, 0, 'f', std::fabs(shown - std::round(shown)) < 1e-9 ? 0 : 2);
    }
    return text;
}

bool CChartView::exportTo(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const int w = std::max(plot_->width(), 640);
    const int h = std::max(plot_->height(), 400);
    if (suffix == QLatin1String("png"))
        return plot_->savePng(path, w, h);
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return plot_->saveJpg(path, w, h, 1.0, 92);
    if (suffix == QLatin1String("pdf"))
        return plot_->savePdf(path, w, h);
    return false;
}

void CChartView::exportWithDialog()
{
    QString selected;
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Picture"), QString(),
        tr("PNG picture (*.png);;JPEG picture (*.jpg);;PDF document (*.pdf)"), &selected);
    if (path.isEmpty())
        return;
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty())
        target += selected.contains(QLatin1String("jpg")) ? QStringLiteral(".jpg")
                  : selected.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf")
                                                             : QStringLiteral(".png");
    exportTo(target);
}

void CChartView::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QCPPainter painter(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const double scale = page.width() / std::max(plot_->width(), 1);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(scale, scale);
    plot_->toPainter(&painter, plot_->width(), static_cast<int>(page.height() / scale));
}

void CChartView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(tr("Reset View"), this, &CChartView::resetView);
    menu.addAction(tr("Export Picture..."), this, &CChartView::exportWithDialog);
    menu.addAction(tr("Print..."), this, &CChartView::print);
    menu.exec(event->globalPos());
}
