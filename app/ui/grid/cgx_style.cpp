#include "app/ui/grid/cgx_style.h"

namespace tarvex {

void CGXFont::ChangeFont(const CGXFont &other)
{
    if (other.size)
        size = other.size;
    if (other.bold)
        bold = other.bold;
    if (other.face)
        face = other.face;
}

void CGXStyle::ChangeStyle(const CGXStyle &other)
{
    if (other.value)
        value = other.value;
    if (other.choiceList)
        choiceList = other.choiceList;
    if (other.textColor)
        textColor = other.textColor;
    if (other.interior)
        interior = other.interior;
    if (other.verticalAlignment)
        verticalAlignment = other.verticalAlignment;
    if (other.horizontalAlignment)
        horizontalAlignment = other.horizontalAlignment;
    if (other.hasFont) {
        font.ChangeFont(other.font);
        hasFont = true;
    }
    if (other.control)
        control = other.control;
}

bool CGXStyle::IsChecked() const
{
    const QString text = GetValue().trimmed();
    return !text.isEmpty() && text != QLatin1String("0");
}

} // namespace tarvex
