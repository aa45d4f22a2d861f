// "Servo Status": the 26 state variables with a tick box each, their values
// and units. The tick boxes decide which variables the status poll reads;
// their state is mirrored into an atomic word the poll thread reads, and the
// values it sends arrive here as queued calls on this widget's thread.
#pragma once

#include "app/ui/grid/grid_windows.h"
#include "drive/connection/status_views.h"

#include <QWidget>

#include <atomic>

namespace tarvex {

class CDockMain1Dlg : public QWidget, public StatusVariableView {
    Q_OBJECT
public:
    static constexpr int kGridControlId = 1058;
    static constexpr int kTemplateId = 335;

    explicit CDockMain1Dlg(int rows = 26, QWidget *parent = nullptr);

    std::uint32_t tickedRows() const override { return ticked_.load(); }
    void showValue(int row, const std::string &text) override;
    void showValues(const std::vector<std::pair<int, std::string>> &values) override;
    void showStale(bool stale) override;
    void cycleShown(const StatusCycle &cycle) override;
    bool valuesStale() const { return m_stale; }
    // Ticks `row` as a click on its tick box would, so the poll reads it.
    void tickRow(int row);

    CDock1GridWnd &grid() { return m_grid; }
    int rowCount() const { return m_rowCount; }
    int selectAllState() const { return m_grid.selectAllState(); }

Q_SIGNALS:
    // On this widget's thread, once the cycle's values are in the grid.
    void cycleArrived(const tarvex::StatusCycle &cycle);
    void staleChanged(bool stale);

private:
    void fillGrid();
    void mirrorTick(int row, int col);

    int m_rowCount;
    bool m_stale = false;
    CDock1GridWnd m_grid;
    std::atomic<std::uint32_t> ticked_{0};
};

} // namespace tarvex
