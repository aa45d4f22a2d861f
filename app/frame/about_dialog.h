// "About Tarvex": icon, product name, build label, tagline, OK.
#pragma once

#include <QDialog>

namespace tarvex {

class CAboutTarvex : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 361;
    explicit CAboutTarvex(QWidget *parent = nullptr);
};

} // namespace tarvex
