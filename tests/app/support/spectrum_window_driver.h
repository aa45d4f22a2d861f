// Waits for the "FFT" window that a command is about to show modally, lets
// the test work with it while it is up, and closes it.
#pragma once

#include "app/graphs/notch/notch_filter_dlg.h"

#include <QApplication>
#include <QTimer>

#include <functional>

namespace tarvex::test {

// Runs `inspect` on the next "FFT" window shown, then closes it; `seen`
// tells whether one was shown.
inline void whenSpectrumShown(const std::function<void(CNotchFilterDlg &)> &inspect, bool &seen)
{
    auto *poll = new QTimer(QCoreApplication::instance()); // never outlives the test program
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, inspect, &seen] {
        auto *fft = qobject_cast<CNotchFilterDlg *>(QApplication::activeModalWidget());
        if (!fft || !fft->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen = true;
        inspect(*fft);
        fft->reject();
    });
    poll->start();
}

} // namespace tarvex::test
