#include "app/monitor/ticked_rows_memory.h"

#include "app/ui/grid/cgx_grid_wnd.h"
#include "app/ui/settings/user_settings.h"

namespace tarvex {

namespace {

const QString &kTickedRowsKey = settings_keys::kTickedStatusRows;

} // namespace

void tickRememberedRows(CGXGridWnd &grid, int rowCount)
{
    bool valid = false;
    const std::uint32_t rows = UserSettings::value(kTickedRowsKey).toUInt(&valid);
    if (!valid)
        return;
    for (int row = 1; row <= rowCount && row <= 32; ++row)
        if ((rows & (1u << (row - 1))) != 0)
            grid.SetValueRange(CGXRange(row, 1), QStringLiteral("1"));
}

void rememberTickedRows(std::uint32_t rows) { UserSettings::setValue(kTickedRowsKey, rows); }

} // namespace tarvex
