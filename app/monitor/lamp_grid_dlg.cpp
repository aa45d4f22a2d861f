#include "app/monitor/lamp_grid_dlg.h"

#include "app/monitor/lamp_images.h"
#include "app/monitor/monitor_grid_look.h"
#include "drive/connection/status_variables.h"

#include <QVBoxLayout>

#include <algorithm>

namespace tarvex {

namespace {

template <std::size_t N>
QStringList firstNames(const std::array<const char *, N> &names, int rows)
{
    QStringList list;
    for (int i = 0; i < rows && i < static_cast<int>(N); ++i)
        list << QString::fromUtf8(names[static_cast<std::size_t>(i)]);
    return list;
}

} // namespace

CLampGridDlg::CLampGridDlg(std::unique_ptr<CGXGridWnd> grid, const QStringList &names,
                           QWidget *parent)
    : QWidget(parent), m_grid(std::move(grid)), m_rowCount(static_cast<int>(names.size()))
{
    registerLampImages();
    m_grid->setParent(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid.get());
    fillGrid(names);
}

void CLampGridDlg::fillGrid(const QStringList &names)
{
    prepareMonitorGrid(*m_grid, m_rowCount, 2);
    m_grid->SetColWidth(1, 1, 290);
    m_grid->SetColWidth(2, 2, 60);
    m_grid->SetRowHeight(0, 0, 25);
    m_grid->SetRowHeight(1, m_rowCount, 20);

    m_grid->SetValueRange(CGXRange(0, 1), QStringLiteral("Name"));
    m_grid->SetValueRange(CGXRange(0, 2), QStringLiteral("Value"));
    for (int row = 1; row <= m_rowCount; ++row)
        m_grid->SetValueRange(CGXRange(row, 1), names[row - 1]);

    applyMonitorFont(*m_grid);
    m_grid->SetStyleRange(CGXRange(1, 2, m_rowCount, 2),
                          CGXStyle()
                              .SetInterior(paneColour())
                              .SetControl(GX_IDS_CTRL_STATIC)
                              .SetValue(kLampOff));
    m_grid->EnableUndo(true);
}

void CLampGridDlg::showLamp(int row, bool on)
{
    if (row < 1 || row > m_rowCount)
        return;
    QMetaObject::invokeMethod(
        this, [this, row, on] { m_grid->SetValueRange(CGXRange(row, 2), on ? kLampOn : kLampOff); },
        Qt::QueuedConnection);
}

void CLampGridDlg::showLamps(const std::vector<bool> &on)
{
    std::vector<bool> states(on.begin(), on.begin() + std::min<std::ptrdiff_t>(
                                                         static_cast<std::ptrdiff_t>(on.size()), m_rowCount));
    QMetaObject::invokeMethod(
        this, [this, states] {
            for (std::size_t i = 0; i < states.size(); ++i)
                m_grid->SetValueRange(CGXRange(static_cast<int>(i) + 1, 2), states[i] ? kLampOn : kLampOff);
        },
        Qt::QueuedConnection);
}

void CLampGridDlg::showStale(bool stale)
{
    QMetaObject::invokeMethod(
        this,
        [this, stale] {
            m_stale = stale;
            if (m_rowCount > 0)
                m_grid->SetStyleRange(CGXRange(1, 2, m_rowCount, 2),
                                      CGXStyle().SetInterior(stale ? staleTextColour() : paneColour()));
        },
        Qt::QueuedConnection);
}

bool CLampGridDlg::isLit(int row) const { return m_grid->GetValueRowCol(row, 2) == kLampOn; }

CDockMain2Dlg::CDockMain2Dlg(int rows, QWidget *parent)
    : CLampGridDlg(std::make_unique<CDock2GridWnd>(), firstNames(status::inputNames(), rows),
                   parent)
{
}

CDockMain3Dlg::CDockMain3Dlg(int rows, QWidget *parent)
    : CLampGridDlg(std::make_unique<CDock3GridWnd>(), firstNames(status::outputNames(), rows),
                   parent)
{
}

} // namespace tarvex
