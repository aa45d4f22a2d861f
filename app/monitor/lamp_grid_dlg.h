// "Servo Input" and "Servo Output": one lamp per digital signal. Lamp
// states from the status poll arrive as queued calls on this widget's thread.
#pragma once

#include "app/ui/grid/grid_windows.h"
#include "drive/connection/status_views.h"

#include <QStringList>
#include <QWidget>

#include <memory>

namespace tarvex {

class CLampGridDlg : public QWidget, public LampView {
    Q_OBJECT
public:
    static constexpr int kGridControlId = 1058;

    void showLamp(int row, bool on) override;
    void showLamps(const std::vector<bool> &on) override;
    void showStale(bool stale) override;
    bool lampsStale() const { return m_stale; }

    CGXGridWnd &grid() { return *m_grid; }
    int rowCount() const { return m_rowCount; }
    // True when the lamp of `row` is lit.
    bool isLit(int row) const;

protected:
    CLampGridDlg(std::unique_ptr<CGXGridWnd> grid, const QStringList &names, QWidget *parent);

private:
    void fillGrid(const QStringList &names);

    std::unique_ptr<CGXGridWnd> m_grid;
    int m_rowCount;
    bool m_stale = false;
};

class CDockMain2Dlg : public CLampGridDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 336;
    explicit CDockMain2Dlg(int rows = 6, QWidget *parent = nullptr);
};

class CDockMain3Dlg : public CLampGridDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 339;
    explicit CDockMain3Dlg(int rows = 7, QWidget *parent = nullptr);
};

} // namespace tarvex
