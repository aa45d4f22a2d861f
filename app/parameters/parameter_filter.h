// The filter above the parameter grids: rows whose name holds the typed
// text (whatever its case) or whose object number starts with it ("0x20",
// or "20" without the prefix), and, with "Changed from default" ticked,
// only rows whose value differs from the catalogue's default. Filtering
// hides grid rows and never moves them, so a row keeps the parameter (and
// the register) it stands for, and a typed value stays in its row.
#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace tarvex {

class CParameterFormDlg;

struct ParameterFilter {
    QString text;
    bool changedOnly = false;

    bool isEmpty() const { return text.trimmed().isEmpty() && !changedOnly; }
    bool matches(const QString &number, const QString &name, const QString &value,
                 const QString &defaultValue) const;
};

// Shows the rows of `form` that pass `filter` and hides the others.
void applyParameterFilter(CParameterFormDlg &form, const ParameterFilter &filter);

// The filter box and the "Changed from default" check box.
class CParameterFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit CParameterFilterBar(QWidget *parent = nullptr);

    ParameterFilter filter() const;
    QLineEdit &textBox() const { return *text_; }
    QCheckBox &changedOnlyBox() const { return *changedOnly_; }

Q_SIGNALS:
    void filterChanged();

private:
    QLineEdit *text_ = nullptr;
    QCheckBox *changedOnly_ = nullptr;
};

} // namespace tarvex
