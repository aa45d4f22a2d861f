#include "app/monitor/dock_main1_dlg.h"

#include "app/monitor/monitor_grid_look.h"
#include "drive/connection/status_variables.h"
#include "app/monitor/ticked_rows_memory.h"

#include <QVBoxLayout>

namespace tarvex {

CDockMain1Dlg::CDockMain1Dlg(int rows, QWidget *parent)
    : QWidget(parent), m_rowCount(std::clamp(rows, 0, status::kRowCount)), m_grid(this)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&m_grid);
    fillGrid();
    connect(&m_grid, &CGXGridWnd::valueChanged, this, &CDockMain1Dlg::mirrorTick);
    tickRememberedRows(m_grid, m_rowCount);
    connect(&m_grid, &CGXGridWnd::valueChanged, this, [this](int, int col) {
        if (col == 1)
            rememberTickedRows(ticked_.load());
    });
}

void CDockMain1Dlg::fillGrid()
{
    prepareMonitorGrid(m_grid, m_rowCount, 3);

    m_grid.SetColWidth(1, 1, 180);
    m_grid.SetColWidth(2, 2, 100);
    m_grid.SetColWidth(3, 3, 70);
    m_grid.SetRowHeight(0, 0, 25);
    m_grid.SetRowHeight(1, 23, 20);
    m_grid.SetRowHeight(24, 25, 30); // the two longest names take two lines
    m_grid.SetRowHeight(26, 26, 20);

    m_grid.SetStyleRange(CGXRange(0, 1), CGXStyle().SetChoiceList(QStringLiteral(" Name")));
    m_grid.SetValueRange(CGXRange(0, 2), QStringLiteral("Value"));
    m_grid.SetValueRange(CGXRange(0, 3), QStringLiteral("Unit"));
    for (int row = 1; row <= m_rowCount; ++row) {
        const status::Variable &variable = status::variables()[static_cast<std::size_t>(row - 1)];
        m_grid.SetStyleRange(CGXRange(row, 1),
                             CGXStyle().SetChoiceList(QString::fromUtf8(variable.name)));
        m_grid.SetValueRange(CGXRange(row, 3), QString::fromUtf8(variable.unit));
    }

    applyMonitorFont(m_grid);
    m_grid.SetStyleRange(CGXRange(0, 1, 0, 3), CGXStyle().SetInterior(paneColour()));
    m_grid.SetStyleRange(CGXRange(0, 1, m_rowCount, 1),
                         CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D).SetValue(std::int64_t{0}));
    m_grid.EnableUndo(true);
}

void CDockMain1Dlg::mirrorTick(int row, int col)
{
    if (col != 1 || row < 1 || row > m_rowCount)
        return;
    const std::uint32_t bit = 1u << (row - 1);
    if (m_grid.GetValueRowCol(row, 1) == QLatin1String("1"))
        ticked_.fetch_or(bit);
    else
        ticked_.fetch_and(~bit);
}

void CDockMain1Dlg::showValue(int row, const std::string &text)
{
    if (row < 1 || row > m_rowCount)
        return;
    QMetaObject::invokeMethod(
        this, [this, row, value = QString::fromStdString(text)] {
            m_grid.SetValueRange(CGXRange(row, 2), value);
        },
        Qt::QueuedConnection);
}

void CDockMain1Dlg::showValues(const std::vector<std::pair<int, std::string>> &values)
{
    QList<std::pair<int, QString>> shown;
    for (const auto &[row, text] : values)
        if (row >= 1 && row <= m_rowCount)
            shown.append({row, QString::fromStdString(text)});
    QMetaObject::invokeMethod(
        this, [this, shown] {
            for (const auto &[row, value] : shown)
                m_grid.SetValueRange(CGXRange(row, 2), value);
        },
        Qt::QueuedConnection);
}

void CDockMain1Dlg::showStale(bool stale)
{
    QMetaObject::invokeMethod(
        this,
        [this, stale] {
            m_stale = stale;
            emit staleChanged(stale);
            if (m_rowCount > 0)
                m_grid.SetStyleRange(CGXRange(1, 2, m_rowCount, 2),
                                     CGXStyle().SetTextColor(stale ? staleTextColour() : GXRgb(0, 0, 0)));
        },
        Qt::QueuedConnection);
}

void CDockMain1Dlg::cycleShown(const StatusCycle &cycle)
{
    QMetaObject::invokeMethod(this, [this, cycle] { emit cycleArrived(cycle); }, Qt::QueuedConnection);
}

void CDockMain1Dlg::tickRow(int row)
{
    if (row >= 1 && row <= m_rowCount && m_grid.GetValueRowCol(row, 1) != QLatin1String("1"))
        m_grid.SetValueRange(CGXRange(row, 1), QStringLiteral("1"));
}

} // namespace tarvex
