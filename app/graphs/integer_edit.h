// A whole-number field of the graph windows. It takes any keystroke and
// changes nothing by itself: a text out of range or not a number stays as
// typed, and the window that uses it asks for the value when it needs it,
// refusing with a message what the field cannot give. A box that drops a
// keystroke or clamps a value would send a number the user never typed.
#pragma once

#include <QLineEdit>

#include <optional>

namespace tarvex {
class MessageService;
}

namespace tarvex::graphs {

class IntegerEdit : public QLineEdit {
    Q_OBJECT
public:
    IntegerEdit(QWidget *parent, int minimum, int maximum);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setValue(int value);
    // The text as a whole number within minimum..maximum, or nothing.
    std::optional<int> value() const;
    // The same; a text that gives nothing is reported through `messages`
    // with the field's `name` and the text.
    std::optional<int> takeValue(MessageService *messages, const char *name) const;

private:
    int m_minimum;
    int m_maximum;
};

} // namespace tarvex::graphs
