#include "app/graphs/graph_window_parts.h"

#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvex::graphs {

namespace {

// Opens at the size it is given where the screen has room for it, and
// yields down to a chart that can still be read on a small or scaled one.
class ChartFrame : public QFrame {
public:
    ChartFrame(QWidget *parent, QSize preferred) : QFrame(parent), preferred_(preferred) {}
    QSize sizeHint() const override { return preferred_; }
    QSize minimumSizeHint() const override
    {
        // Room for the value axes beside a plot area of half the chart.
        return {std::min(preferred_.width(), 560), std::min(preferred_.height(), 240)};
    }

private:
    QSize preferred_;
};

// Shows its column whole where there is room and scrolls it where not.
class ColumnScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override { return widget()->sizeHint() + QSize(barWidth(), 0); }
    QSize minimumSizeHint() const override
    {
        const QSize least = widget()->minimumSizeHint();
        return {least.width() + barWidth(), std::min(least.height(), 160)};
    }

private:
    int barWidth() const { return verticalScrollBar()->sizeHint().width(); }
};

} // namespace

void fillList(QComboBox &list, const std::string_view *entries, std::size_t count)
{
    list.clear();
    for (std::size_t i = 0; i < count; ++i)
        list.addItem(QString::fromLatin1(entries[i].data(), static_cast<qsizetype>(entries[i].size())));
    list.setCurrentIndex(0);
}

const char *channelColor(int channel)
{
    static constexpr const char *kColors[4] = {"#ff0000", "#008000", "#0000ff", "#ff00ff"};
    return channel >= 0 && channel < 4 ? kColors[channel] : "#000000";
}

QPushButton *commandButton(QWidget *parent, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

IntegerEdit *integerEdit(QWidget *parent, int minimum, int maximum, int value)
{
    auto *edit = new IntegerEdit(parent, minimum, maximum);
    edit->setValue(value);
    edit->setMinimumWidth(64);
    return edit;
}

QFrame *framedChart(QWidget *parent, QSize preferred, CChartView *&chart)
{
    auto *frame = new ChartFrame(parent, preferred);
    frame->setFrameShape(QFrame::StyledPanel);
    chart = new CChartView(frame);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chart);
    return frame;
}

QWidget *scrolledColumn(QWidget *parent, QLayout *column)
{
    auto *content = new QWidget;
    content->setLayout(column);
    column->setContentsMargins(0, 0, 0, 0);
    auto *area = new ColumnScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(content);
    area->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    return area;
}

QLabel *periodUnitLabel(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setPixelSize(13);
    bold.setWeight(QFont::Bold);
    label->setFont(bold);
    label->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(channelColor(0))));
    return label;
}

} // namespace tarvex::graphs
