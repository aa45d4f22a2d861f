#include "app/graphs/graph_window_parts.h"

#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex::graphs {

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

QFrame *framedChart(QWidget *parent, QSize minimum, CChartView *&chart)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setMinimumSize(minimum);
    chart = new CChartView(frame);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chart);
    return frame;
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
