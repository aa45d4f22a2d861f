// The "Communication Status" animation: a PC and a drive with telegrams
// travelling along the cable between them. It plays its frames in a loop
// and, when opened again, rests on its first frame.
#pragma once

#include <QTimer>
#include <QWidget>

namespace tarvex {

class CLinkAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1057;
    static constexpr int kFrameCount = 16;
    static constexpr int kFrameIntervalMs = 90;

    explicit CLinkAnimation(QWidget *parent = nullptr);

    // Shows the first frame and stops.
    void Open();
    // Plays all frames, repeating without end.
    void Play();
    void Stop();
    bool isPlaying() const { return timer_.isActive(); }
    int currentFrame() const { return frame_; }

    QSize sizeHint() const override { return {340, 200}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawComputer(QPainter &painter, const QRectF &area) const;
    void drawDrive(QPainter &painter, const QRectF &area) const;

    QTimer timer_;
    int frame_ = 0;
};

} // namespace tarvex
