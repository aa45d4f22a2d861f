// The rows in which a parameter file and the drive differ: object number,
// name, the drive's value and the file's, each row with a tick box (all
// ticked at first). "Write Selected" hands back the ticked rows for
// writing; "Cancel" writes nothing.
#pragma once

#include "drive/parameters/parameter_compare.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTableWidget;

namespace tarvex {

class CParameterCompareDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { kColNumber, kColName, kColDrive, kColFile, kColCount };

    CParameterCompareDlg(std::vector<parameters::ComparedRow> rows, const QString &fileName,
                         QWidget *parent = nullptr);

    std::vector<parameters::ComparedRow> tickedRows() const;

    QTableWidget &table() const { return *table_; }
    QPushButton &writeButton() const { return *write_; }
    QPushButton &cancelButton() const { return *cancel_; }

private:
    void updateWriteButton();

    std::vector<parameters::ComparedRow> rows_;
    QTableWidget *table_ = nullptr;
    QPushButton *write_ = nullptr;
    QPushButton *cancel_ = nullptr;
};

} // namespace tarvex
