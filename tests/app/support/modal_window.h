// Acting on a modal window from inside its own event loop, as a user does
// while it waits for them.
#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>

namespace tarvex::test {

// Runs `use` on the modal window of type W once it is up, from inside its
// own event loop. The poll goes with `owner`, so that none outlives its test.
template <class W, class Use>
void onceModal(QObject &owner, Use use)
{
    auto *poll = new QTimer(&owner);
    QObject::connect(poll, &QTimer::timeout, [poll, use] {
        if (auto *shown = qobject_cast<W *>(QApplication::activeModalWidget())) {
            poll->stop();
            use(*shown);
        }
    });
    poll->start(20);
}

} // namespace tarvex::test
