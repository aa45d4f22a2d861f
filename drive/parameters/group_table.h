// What the parameter commands need of a group's table: one row per
// parameter in catalogue order (index 0 for the first), its check box, its
// "Value" and "Default" texts, and the look of its "Value" cell. The group
// forms implement it over their grids; the commands stay free of widgets.
#pragma once

#include <optional>
#include <string>

namespace tarvex::parameters {

enum class ValueColour { Black, Red, Blue };

// The look of a "Value" cell: red after a write or a Read, blue after a
// file was loaded, black otherwise; bold marks a value that differs from
// the parameter's default. An unset `bold` keeps the cell's weight.
struct ValueLook {
    ValueColour colour = ValueColour::Black;
    std::optional<bool> bold;
};

class GroupTable {
public:
    virtual ~GroupTable() = default;
    virtual int rowCount() const = 0;
    virtual bool isChecked(int index) const = 0;
    virtual std::string valueText(int index) const = 0;
    virtual std::string defaultText(int index) const = 0;
    // Replaces the value text and sets its look.
    virtual void showValue(int index, const std::string &text, ValueLook look) = 0;
    virtual void setValueLook(int index, ValueLook look) = 0;
    virtual void setUnit(int index, const std::string &text) = 0;
    // Ends any typing in progress so that the typed text is the cell's value.
    virtual void commitEditing() = 0;
};

} // namespace tarvex::parameters
