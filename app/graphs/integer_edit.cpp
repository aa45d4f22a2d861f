#include "app/graphs/integer_edit.h"

#include "drive/connection/message_service.h"
#include "drive/text/number_text.h"

namespace tarvex::graphs {

IntegerEdit::IntegerEdit(QWidget *parent, int minimum, int maximum)
    : QLineEdit(parent), m_minimum(minimum), m_maximum(maximum)
{
    setMaxLength(24);
}

void IntegerEdit::setValue(int value) { setText(QString::number(value)); }

std::optional<int> IntegerEdit::value() const
{
    const auto number = strictDecimal(text().toStdString());
    if (!number || *number < m_minimum || *number > m_maximum)
        return std::nullopt;
    return static_cast<int>(*number);
}

std::optional<int> IntegerEdit::takeValue(MessageService *messages, const char *name) const
{
    const std::optional<int> number = value();
    if (!number && messages)
        messages->show(integerRangeMessage(m_minimum, m_maximum),
                       std::string(name) + ": \"" + text().toStdString() + "\" was not taken.");
    return number;
}

} // namespace tarvex::graphs
