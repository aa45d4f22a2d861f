// A table cell the user may select but not edit: the parameter windows'
// lists of differences show what the drive and a file hold, not inputs.
#pragma once

#include <QTableWidgetItem>

#include <string>

namespace tarvex {

inline QTableWidgetItem *readOnlyItem(const std::string &text)
{
    auto *item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace tarvex
