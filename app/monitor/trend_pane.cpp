#include "app/monitor/trend_pane.h"

#include "app/monitor/dock_main1_dlg.h"
#include "drive/text/number_text.h"
#include "drive/connection/status_variables.h"
#include "app/ui/settings/user_settings.h"

#include <qcustomplot.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace tarvex {

namespace {

// The graph windows' channel colours, in the same order.
QColor trendColour(std::size_t index)
{
    static const QColor colours[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(255, 0, 255)};
    return colours[index % std::size(colours)];
}

const QColor kStaleColour(160, 160, 160);

QString variableCaption(int row)
{
    const status::Variable &variable = status::variables()[static_cast<std::size_t>(row - 1)];
    return QString::fromUtf8(variable.name) + QStringLiteral(" [") + QString::fromUtf8(variable.unit) +
           QStringLiteral("]");
}

bool isNumeric(int row)
{
    return status::variables()[static_cast<std::size_t>(row - 1)].shown != status::Shown::VersionText;
}

} // namespace

CTrendPane::CTrendPane(QWidget *parent) : QDockWidget(QStringLiteral("Trend"), parent)
{
    setObjectName(QStringLiteral("TrendPane"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);

    auto *content = new QWidget(this);
    auto *layout = new QHBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);

    list_ = new QListWidget(content);
    list_->setObjectName(QStringLiteral("trendVariables"));
    list_->setToolTip(QStringLiteral("Tick up to %1 state variables to plot").arg(kMaxShown));
    for (int row = 1; row <= status::kRowCount; ++row) {
        if (!isNumeric(row))
            continue;
        auto *item = new QListWidgetItem(variableCaption(row), list_);
        item->setData(Qt::UserRole, row);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    list_->setMaximumWidth(list_->sizeHintForColumn(0) + 40);
    layout->addWidget(list_);

    auto *right = new QVBoxLayout;
    plot_ = new QCustomPlot(content);
    plot_->setMinimumSize(300, 160);
    plot_->xAxis->setLabel(QStringLiteral("Time [s]"));
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    right->addWidget(plot_, 1);
    note_ = new QLabel(content);
    note_->setObjectName(QStringLiteral("trendNote"));
    right->addWidget(note_);
    layout->addLayout(right, 1);
    setWidget(content);

    restoreChoice();
    connect(list_, &QListWidget::itemChanged, this, &CTrendPane::choiceChanged);
    setStale(true);
}

// The variables the user plotted last time, in their order; rows that are
// no numbers (or no longer exist) are passed over, and at most kMaxShown.
void CTrendPane::restoreChoice()
{
    const QSignalBlocker quiet(list_);
    for (int row : UserSettings::trendRows()) {
        if (static_cast<int>(shownRows_.size()) >= kMaxShown)
            break;
        for (int i = 0; i < list_->count(); ++i) {
            QListWidgetItem *item = list_->item(i);
            if (item->data(Qt::UserRole).toInt() == row && item->checkState() != Qt::Checked) {
                item->setCheckState(Qt::Checked);
                shownRows_.push_back(row);
            }
        }
    }
}

CTrendPane::~CTrendPane() = default;

void CTrendPane::attach(CDockMain1Dlg *statusDialog)
{
    if (status_)
        disconnect(status_, nullptr, this, nullptr);
    status_ = statusDialog;
    if (!status_)
        return;
    connect(status_, &CDockMain1Dlg::cycleArrived, this, &CTrendPane::addCycle);
    connect(status_, &CDockMain1Dlg::staleChanged, this, &CTrendPane::setStale);
    for (int row : shownRows_)
        status_->tickRow(row);
}

QString CTrendPane::note() const { return note_->text(); }

int CTrendPane::lineCount() const { return plot_->graphCount(); }

int CTrendPane::linePoints(int line) const
{
    return line >= 0 && line < plot_->graphCount() ? plot_->graph(line)->dataCount() : 0;
}

QColor CTrendPane::lineColour(int line) const
{
    return line >= 0 && line < plot_->graphCount() ? plot_->graph(line)->pen().color() : QColor();
}

QString CTrendPane::timeCaption() const { return plot_->xAxis->label(); }

void CTrendPane::addCycle(const StatusCycle &cycle)
{
    if (!origin_)
        origin_ = cycle.time;
    const double seconds = std::chrono::duration<double>(cycle.time - *origin_).count();
    lastSeconds_ = seconds;
    for (const auto &[row, text] : cycle.values) {
        if (row < 1 || row > status::kRowCount || !isNumeric(row))
            continue;
        const std::optional<double> value = strictReal(text);
        if (!value)
            continue;
        history_.add(row, seconds, *value);
        for (std::size_t i = 0; i < shownRows_.size(); ++i)
            if (shownRows_[i] == row && static_cast<int>(i) < plot_->graphCount()) {
                QCPGraph *graph = plot_->graph(static_cast<int>(i));
                graph->addData(seconds, *value);
                graph->data()->removeBefore(seconds - history_.span());
            }
    }
    if (stale_)
        setStale(false); // a cycle is live, whatever came first
    fitView();
}

void CTrendPane::setStale(bool stale)
{
    if (stale && !stale_ && origin_)
        history_.breakLines(lastSeconds_);
    stale_ = stale;
    note_->setText(stale ? QStringLiteral("Monitoring stopped: the values are not live.") : QString());
    rebuildGraphs();
}

void CTrendPane::choiceChanged(QListWidgetItem *item)
{
    const int row = item->data(Qt::UserRole).toInt();
    if (item->checkState() == Qt::Checked) {
        if (static_cast<int>(shownRows_.size()) >= kMaxShown) {
            const QSignalBlocker quiet(list_);
            item->setCheckState(Qt::Unchecked);
            note_->setText(QStringLiteral("At most %1 variables at once: untick one first.").arg(kMaxShown));
            return;
        }
        if (status_)
            status_->tickRow(row);
    }
    shownRows_.clear();
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->checkState() == Qt::Checked)
            shownRows_.push_back(list_->item(i)->data(Qt::UserRole).toInt());
    UserSettings::setTrendRows(shownRows_);
    rebuildGraphs();
}

void CTrendPane::rebuildGraphs()
{
    plot_->clearGraphs();
    for (QCPAxis *axis : extraAxes_)
        plot_->axisRect()->removeAxis(axis);
    extraAxes_.clear();
    plot_->yAxis->setLabel(QString());
    plot_->yAxis2->setVisible(shownRows_.size() > 1);
    for (std::size_t i = 0; i < shownRows_.size(); ++i) {
        const int row = shownRows_[i];
        QCPAxis *axis = plot_->yAxis;
        if (i == 1) {
            axis = plot_->yAxis2;
        } else if (i > 1) {
            axis = plot_->axisRect()->addAxis(i % 2 == 0 ? QCPAxis::atLeft : QCPAxis::atRight);
            extraAxes_.push_back(axis);
        }
        const QColor colour = stale_ ? kStaleColour : trendColour(i);
        axis->setLabel(variableCaption(row));
        axis->setLabelColor(trendColour(i));
        axis->setTickLabelColor(trendColour(i));
        QCPGraph *graph = plot_->addGraph(plot_->xAxis, axis);
        graph->setName(variableCaption(row));
        graph->setPen(QPen(colour, 1.5));
        QVector<double> keys, values;
        for (const TrendPoint &point : history_.points(row)) {
            keys.push_back(point.seconds);
            values.push_back(point.value);
        }
        graph->setData(keys, values, true);
    }
    fitView();
}

void CTrendPane::fitView()
{
    double first = lastSeconds_;
    for (int row : shownRows_)
        if (!history_.points(row).empty())
            first = std::min(first, history_.points(row).front().seconds);
    plot_->xAxis->setRange(first, std::max(lastSeconds_, first + 1));
    for (int i = 0; i < plot_->graphCount(); ++i) {
        bool found = false;
        const QCPRange range = plot_->graph(i)->getValueRange(found);
        if (!found)
            continue;
        const double span = range.upper - range.lower;
        const double margin = span > 0 ? span * 0.05 : std::max(std::abs(range.upper) * 0.05, 1.0);
        plot_->graph(i)->valueAxis()->setRange(range.lower - margin, range.upper + margin);
    }
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

} // namespace tarvex
