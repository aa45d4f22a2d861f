// "Trend": a docking pane that plots chosen state variables over time while
// cyclic monitoring runs. It draws what the "Servo Status" pane shows, from
// the same poll cycles (no exchange of its own), on the user-interface
// thread; choosing a variable here ticks it there, so the poll reads it.
// Each variable has its own value axis in its own unit; the time axis is in
// seconds since the first cycle. When monitoring stops the lines turn grey.
#pragma once

#include "drive/connection/status_views.h"
#include "drive/monitor/trend_history.h"

#include <QColor>
#include <QDockWidget>
#include <QPointer>

#include <chrono>
#include <optional>
#include <vector>

class QCustomPlot;
class QCPAxis;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace tarvex {

class CDockMain1Dlg;

class CTrendPane : public QDockWidget {
    Q_OBJECT
public:
    // More lines than this make the plot unreadable.
    static constexpr int kMaxShown = 4;

    explicit CTrendPane(QWidget *parent = nullptr);
    ~CTrendPane() override;

    // The status pane whose cycles are plotted and whose rows are ticked.
    void attach(CDockMain1Dlg *statusDialog);

    QListWidget &variableList() { return *list_; }
    QCustomPlot &plot() { return *plot_; }
    // What the plot holds: its lines (one per chosen row, in order), the
    // points of each and the colour it is drawn in.
    int lineCount() const;
    int linePoints(int line) const;
    QColor lineColour(int line) const;
    QString timeCaption() const;
    // The chosen rows, in the order of the list.
    std::vector<int> shownRows() const { return shownRows_; }
    const TrendHistory &history() const { return history_; }
    bool isStale() const { return stale_; }
    QString note() const;

private:
    void addCycle(const StatusCycle &cycle);
    void setStale(bool stale);
    void restoreChoice();
    void choiceChanged(QListWidgetItem *item);
    void rebuildGraphs();
    void fitView();

    QListWidget *list_ = nullptr;
    QCustomPlot *plot_ = nullptr;
    QLabel *note_ = nullptr;
    std::vector<QCPAxis *> extraAxes_;
    std::vector<int> shownRows_;
    TrendHistory history_;
    std::optional<std::chrono::steady_clock::time_point> origin_;
    double lastSeconds_ = 0;
    bool stale_ = true;
    QPointer<CDockMain1Dlg> status_;
};

} // namespace tarvex
