// A push button painted in a colour of its own: the jog buttons turn light
// red while a jog runs. Sunken while pressed, raised otherwise, the caption
// centred, a focus rectangle 4 pixels inside the edge.
#pragma once

#include <QColor>
#include <QPushButton>

class CColorButton : public QPushButton {
    Q_OBJECT
public:
    static inline const QColor kNormal{244, 243, 245};
    static inline const QColor kPressedJog{255, 200, 200};

    explicit CColorButton(const QString &text, QWidget *parent = nullptr);

    void setBackgroundColor(const QColor &color);
    QColor backgroundColor() const { return background_; }
    void setTextColor(const QColor &color);
    QColor textColor() const { return text_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor background_ = kNormal;
    QColor text_ = Qt::black;
};
