// The caution window shown before the upgrader's main window: what a
// firmware download does to the drive and what must not happen meanwhile.
#pragma once

#include <QDialog>

class CCautionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCautionDlg(QWidget *parent = nullptr);
};
