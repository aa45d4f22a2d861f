// The chart every graph window draws through: one plot whose value range is
// channel 1's, one coloured value axis for each of channels 2 to 4 beside it
// (their samples are mapped into channel 1's range before they are set),
// captions with the channel names, a caption under the x axis, and series
// addressed by number (channels 1 to 4 use series 0, 1, 2 and 5; the
// spectrum uses series 0). Beyond that it behaves as a scope view: the
// wheel, a drag, the scroll bar and the keys move through time (back into a
// long run the window keeps), Ctrl and the wheel zoom, with a reset and
// autoscale, a cursor read-out of the
// point's label and every channel's value, and a context menu (right click
// or the menu key) that exports the picture (PNG, JPEG, PDF, SVG), prints it,
// copies it to the clipboard and hands the CSV export to the window, which
// alone knows the capture's physical values and settings.
#pragma once

#include "app/ui/chart/chart_history.h"
#include "app/ui/chart/chart_labels.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <vector>
#include <utility>
#include <vector>

class QCustomPlot;
class QCPAxis;
class QCPRange;
class QKeyEvent;
class QWheelEvent;
class QCPGraph;
class QCPItemStraightLine;
class QCPItemText;
class QMenu;
class QScrollBar;
class QToolButton;

namespace tarvex {
class MessageService;
}

struct ChartChannel {
    QString name;   // caption; an empty name leaves the channel out of the legend
    double max = 0; // the channel's own axis limits
    double min = 0;
    bool shown = true;
};

struct ChartSetup {
    std::array<ChartChannel, 4> channels;
    int axes = 4;        // value axes to draw: 4 for the capture windows, 1 for the spectrum
    QString xCaption;    // "[ms]", "[Hz]" or empty
    double xFirst = 0;   // the x range shown before any zoom
    double xLast = 360;
};

class CChartView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWindow = 361; // points a scrolling series keeps

    explicit CChartView(QWidget *parent = nullptr);
    ~CChartView() override;

    // Clears all data and components and builds the plot afresh.
    void setUp(const ChartSetup &setup);

    // Adds a value behind the last point of a series; beyond 361 points the
    // oldest scrolls out and the x labels move with it.
    void append(int series, double value);
    // Sets point `index` of a series (earlier missing points become 0).
    void setPoint(int series, int index, double value);
    double value(int series, int index) const;
    int count(int series) const;
    // The label shown under point `index` of the current window.
    void setLabel(int index, const QString &text);
    QString label(int index) const;
    void redraw();

    // The scope view's own commands. Reset shows the set-up's range at the
    // channels' limits; with a history, the whole run with the value axes
    // fitted to it.
    void resetView();
    // Fits the axes of `orientations` to the channels on show: the time
    // axis to all their data, the value axes to what the time axis shows.
    void autoscale(Qt::Orientations orientations);
    // Fits one channel's axis to what it shows. Channel 1's range is the
    // plot's own; the others are mapped into it by the window's limits, so
    // their fit is handed to the window as new limits in their own units.
    void autoscaleChannel(int channel);
    void setLimitsFit(std::function<void(int channel, double min, double max)> fit) { limitsFit_ = std::move(fit); }
    // The window's spectrum of its capture: of all of it, or of the points
    // shown (first to last position). Without one the menu has no entries.
    void setSpectrumRequest(std::function<void(bool shownOnly)> request) { spectrumRequest_ = std::move(request); }

    // A long run kept by the window, drawn left of point 0 and reached by
    // scrolling back (null: none). Not owned; it outlives the view or is
    // reset to null first.
    void setHistory(const ChartHistorySource *history);
    // While the view shows the newest point it follows the data as it
    // arrives; scrolled back, it stays on the points it shows.
    bool isFollowing() const { return following_; }
    void followNewest(); // back to the newest point, keeping the zoom
    void scrollBy(double points);
    void scrollToOldest();
    // A saved capture drawn faded behind the live channels, each of its
    // channels (in its own units) on that channel's axis, from point 0 on;
    // it stays through later set-ups until cleared.
    void setReference(const std::array<std::vector<double>, 4> &ownUnits, const QString &name);
    void clearReference();
    bool hasReference() const { return !referenceName_.isEmpty(); }
    const QString &referenceName() const { return referenceName_; }
    // The reference as drawn: point `index` of a channel in plot coordinates.
    int referenceCount(int channel) const;
    double referencePlotted(int channel, int index) const;
    // The window's way to choose and load a reference; without one the menu
    // has no entry for it.
    void setReferenceLoad(std::function<void()> load);
    QToolButton *referenceButton() const { return referenceButton_; }
    // Opens the chart's menu, as a right click on the plot does.
    QToolButton *menuButton() const { return menuButton_; }

    // The points shown, first to last (positions left of 0 are history).
    std::pair<double, double> timeView() const;
    void setTimeView(double first, double last);
    // The part of channel 1's range shown.
    std::pair<double, double> valueView() const;
    // The points a series draws within the time shown, history included
    // (at most two per pixel column where there are more).
    std::vector<std::pair<double, double>> shownPoints(int series) const;
    QScrollBar *scrollBar() const { return scrollBar_; }
    QToolButton *endButton() const { return endButton_; }
    QToolButton *autoscaleButton() const { return autoscaleButton_; }
    // Format by suffix: .png, .jpg/.jpeg, .pdf, .svg; at `size` pixels, or
    // the default size (chart_pictures) when none is given. Pictures show
    // the data, not the hover line and read-out, nor the axes of channels
    // that draw nothing.
    bool exportTo(const QString &path, QSize size = QSize());
    void print();
    void copyToClipboard();

    // Where failures are reported (not owned; may be null).
    void setMessages(tarvex::MessageService *messages) { messages_ = messages; }
    // The window's CSV export; without one the menu entry is greyed.
    void setCsvExport(std::function<void()> exportCsv) { exportCsv_ = std::move(exportCsv); }
    // Runs the context menu at a global position until it is closed.
    void showContextMenu(const QPoint &globalPos);
    QString cursorText() const;
    void showCursorAt(double x);

    // Two measurement cursors (a click on the plot sets cursor 1, a
    // shift-click cursor 2) and what lies between them: the time and its
    // reciprocal, and each channel's change in its own units.
    void setMeasureCursor(int which, double x);
    void clearMeasureCursors();
    double measureCursor(int which) const { return markers_[static_cast<std::size_t>(which & 1)]; }
    QString measurementText() const;
    // Seconds between neighbouring points; without it the times are read
    // from the point labels in the x caption's unit.
    void setPointSpacing(double seconds) { pointSpacing_ = seconds; }

    // The trigger of a captured plot: a vertical line at point `position`
    // and, when known, a horizontal line at `level` (channel 1's scale).
    // Cleared by the next set-up.
    void setTriggerMarks(double position, const double *level);
    bool hasTriggerMarks() const { return triggerLine_ != nullptr; }
    bool hasTriggerLevel() const { return levelLine_ != nullptr; }

    // A channel (by series number) hidden or shown again, as a click on
    // its legend entry does.
    void setSeriesShown(int series, bool shown);
    bool seriesShown(int series) const;

    QCustomPlot *plot() const { return plot_; }
    // The plot as a widget, and the area inside its axes in the widget's
    // coordinates (for code that does not see the plot's own class).
    QWidget *plotWidget() const;
    QRect plotArea() const;
    // Where the time (or frequency) axis's tick labels lie in the plot
    // widget, left to right, as last drawn: labels that overlap are
    // unreadable.
    std::vector<QRect> timeTickLabelRects() const;
    static QColor seriesColor(int series);
    static bool isSeriesNumber(int series) { return series == 0 || series == 1 || series == 2 || series == 5; }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Entries side by side where the chart is wide enough, else in rows of
    // fewer, so that no channel's name is cut short.
    void fitLegend(int width);
    struct Series {
        std::vector<double> values;
        QCPGraph *graph = nullptr;
        int channel = 0;
        long dropped = 0; // points scrolled out
    };
    Series *series(int number);
    const Series *series(int number) const;
    void syncExtraAxes();
    void refreshGraph(Series &s);
    void exportWithDialog();
    // Runs `draw` with the plot as a picture shows it, then as it was.
    void asPicture(const std::function<void()> &draw);
    void fillContextMenu(QMenu &menu);
    double ownValue(const Series &s, int position) const;
    int longestSeries() const;
    // Seconds (or hertz for a spectrum) from cursor 1 to cursor 2; false
    // when unknown.
    bool cursorSpan(double &span) const;
    void updateReadout();
    void onPlotClick(QMouseEvent *event);
    // The value of series `s` at `position` in plot coordinates, from the
    // history left of point 0; false when there is none.
    bool plottedAt(int number, const Series &s, long position, double &plotted) const;
    long olderPoints() const;
    void onXRangeChanged(const QCPRange &range);
    void rebuildHistory();
    void syncScrollBar();
    bool navigationKey(const QKeyEvent &key);
    void wheelScroll(const QWheelEvent &wheel);
    bool visibleValueRange(const Series &s, double &low, double &high) const;
    void drawReference();
    double referenceToPlot(int channel, double own) const;

    QCustomPlot *plot_ = nullptr;
    ChartSetup setup_;
    std::map<int, Series> series_;
    std::array<QCPAxis *, 4> axes_{};
    ChartLabels labels_;
    long scrolled_ = 0; // points the longest series has dropped so far
    QCPItemStraightLine *cursorLine_ = nullptr;
    QCPItemText *cursorLabel_ = nullptr;
    double cursorX_ = std::nan(""); // history lies at negative positions: none is NaN
    std::array<double, 2> markers_{-1, -1};
    std::array<QCPItemStraightLine *, 2> markerLines_{};
    double pointSpacing_ = 0;
    QCPItemStraightLine *triggerLine_ = nullptr;
    QCPItemStraightLine *levelLine_ = nullptr;
    QPoint pressedAt_;
    bool keyMenuShown_ = false; // the menu key opened the menu
    tarvex::MessageService *messages_ = nullptr;
    std::function<void()> exportCsv_;
    std::function<void(int, double, double)> limitsFit_;
    std::function<void(bool)> spectrumRequest_;
    std::function<void()> referenceLoad_;
    std::array<std::vector<double>, 4> reference_;
    std::array<QCPGraph *, 4> referenceGraphs_{};
    QString referenceName_;
    QToolButton *referenceButton_ = nullptr;
    QToolButton *menuButton_ = nullptr;

    const ChartHistorySource *history_ = nullptr;
    std::map<int, std::pair<QVector<double>, QVector<double>>> historyPart_; // per series: keys, values
    bool historyDense_ = false; // the history shown has more samples than pixel columns
    static constexpr double kLineWidth = 1.4;
    bool following_ = true;
    long pendingShift_ = 0; // points scrolled in since the last redraw while not following
    bool movingView_ = false; // the view itself moves the range, not the user
    QScrollBar *scrollBar_ = nullptr;
    QToolButton *endButton_ = nullptr;
    QToolButton *autoscaleButton_ = nullptr;
};
