// Pieces every graph window is built from: command buttons that Enter never
// presses, the framed chart that fills the window's right side, and the
// bold unit label in channel 1's colour beside the period edit.
#pragma once

#include <QSize>
#include <QString>

#include <cstddef>
#include <string_view>

class QComboBox;
class QFrame;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;
class CChartView;

namespace tarvex::graphs {

class IntegerEdit;

// Style sheet colour of channel c's label and series (red, green, blue,
// magenta).
const char *channelColor(int channel);

// Fills a drop-down list with fixed entries and selects the first.
void fillList(QComboBox &list, const std::string_view *entries, std::size_t count);

QPushButton *commandButton(QWidget *parent, const QString &text);

// A whole-number field for minimum..maximum showing `value`.
IntegerEdit *integerEdit(QWidget *parent, int minimum, int maximum, int value);

// A sunken frame holding a chart view that fills it: `preferred` where the
// screen has room, smaller on a small or scaled screen.
QFrame *framedChart(QWidget *parent, QSize preferred, CChartView *&chart);

// The controls of `column` in a widget of their own, scrolled up and down
// when the window is lower than they are.
QWidget *scrolledColumn(QWidget *parent, QLayout *column);

// The label after the period edit (" X 200us", "ms").
QLabel *periodUnitLabel(QWidget *parent, const QString &text);

} // namespace tarvex::graphs
