// The clip of the program jog and tuning windows: a servo motor whose
// shaft disc turns while the drive runs it. Like an animation control it
// is opened (resting on its first frame), played in a loop without end,
// and stopped; opening it again rewinds it.
#pragma once

#include <QTimer>
#include <QWidget>

namespace tarvex {

class CMotorAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameCount = 12;
    static constexpr int kFrameIntervalMs = 80;

    explicit CMotorAnimation(QWidget *parent = nullptr);

    void Open();
    void Play();
    void Stop();
    bool isPlaying() const { return m_timer.isActive(); }
    int currentFrame() const { return m_frame; }

    QSize sizeHint() const override { return {120, 80}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer m_timer;
    int m_frame = 0;
};

} // namespace tarvex
