// The message service: boxes asked for by worker threads are shown on the
// user-interface thread while the worker waits, waits for workers keep
// serving them, and shutdown releases every waiting worker.
#include "app/frame/qt_message_service.h"
#include "tests/app/support/qt_test_application.h"
#include "app/ui/ui_wait.h"
#include "drive/connection/worker_thread.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace tarvex {
namespace {

struct Presented {
    std::vector<std::string> texts;
    std::vector<bool> onUiThread;
};

class MessageServiceTest : public ::testing::Test {
protected:
    MessageServiceTest()
    {
        test::testApplication();
        service = std::make_unique<QtMessageService>([this](const Message &m, const Choices &) {
            shown.texts.push_back(m.text);
            shown.onUiThread.push_back(QThread::currentThread() == service->thread());
            return m.kind == Message::Kind::Question ? 1 : 0;
        });
    }

    Presented shown;
    std::unique_ptr<QtMessageService> service;
};

TEST_F(MessageServiceTest, TheUserInterfaceThreadShowsAtOnce)
{
    service->show("Communication Error");
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Communication Error"});
    EXPECT_TRUE(service->ask("Sure?", "Caption"));
}

TEST_F(MessageServiceTest, AWorkerWaitsUntilItsBoxHasBeenShown)
{
    std::atomic<bool> returned{false};
    WorkerHandle worker;
    worker.startIfIdle([&] {
        service->show("Error Status check!");
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned) << "not before the user interface has shown it";
    worker.waitUntilEnded(serveUiWhileWaiting);
    EXPECT_TRUE(returned);
    ASSERT_EQ(shown.texts, std::vector<std::string>{"Error Status check!"});
    EXPECT_TRUE(shown.onUiThread[0]);
}

TEST_F(MessageServiceTest, AnswersReachTheWorker)
{
    std::atomic<int> answer{-1};
    WorkerHandle worker;
    worker.startIfIdle([&] { answer = service->ask("Continue?", "Question") ? 1 : 0; });
    worker.waitUntilEnded(serveUiWhileWaiting);
    EXPECT_EQ(answer, 1);
}

TEST_F(MessageServiceTest, SeveralWorkersAreServedInTurn)
{
    WorkerHandle first;
    WorkerHandle second;
    first.startIfIdle([&] { service->show("one"); });
    second.startIfIdle([&] { service->show("two"); });
    first.waitUntilEnded(serveUiWhileWaiting);
    second.waitUntilEnded(serveUiWhileWaiting);
    EXPECT_EQ(shown.texts.size(), 2u);
}

TEST_F(MessageServiceTest, DroppingReleasesAWaitingWorkerWithoutShowing)
{
    std::atomic<bool> returned{false};
    WorkerHandle worker;
    worker.startIfIdle([&] {
        service->show("Error Communication Code : 9 ");
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    service->setDropping(true);
    worker.waitUntilEnded({}); // a plain wait: nothing is served, yet nothing hangs
    EXPECT_TRUE(returned);
    test::pump();
    EXPECT_TRUE(shown.texts.empty());

    WorkerHandle later;
    later.startIfIdle([&] { service->show("later"); });
    later.waitUntilEnded({});
    EXPECT_TRUE(shown.texts.empty());
}

TEST(WorkerHandle, OneThreadOfAKindAtATime)
{
    WorkerHandle handle;
    std::atomic<bool> release{false};
    EXPECT_TRUE(handle.startIfIdle([&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }));
    EXPECT_TRUE(handle.isRunning());
    EXPECT_FALSE(handle.startIfIdle([] {}));
    release = true;
    handle.waitUntilEnded({});
    EXPECT_FALSE(handle.isRunning());
    EXPECT_TRUE(handle.startIfIdle([] {})) << "a new one after the old has ended";
    handle.waitUntilEnded({});
}

TEST(WorkerHandle, WorkSwitchedBackOnWhileEndingIsNotLost)
{
    // The body ends whenever `wanted` is off; switching it back on and
    // asking for a thread must always leave one running the body again.
    for (int round = 0; round < 200; ++round) {
        WorkerHandle handle;
        std::atomic<bool> wanted{true};
        std::atomic<int> runs{0};
        auto body = [&] {
            ++runs;
            while (wanted)
                std::this_thread::yield();
        };
        auto stillWanted = [&] { return wanted.load(); };
        handle.startIfIdle(body, stillWanted);
        wanted = false;
        wanted = true;
        handle.startIfIdle(body, stillWanted);
        ASSERT_TRUE(handle.isRunning());
        wanted = false;
        handle.waitUntilEnded({});
        EXPECT_GE(runs.load(), 1);
    }
}

// The box of a choice as the program draws it: its buttons in order, each
// answering with its own index; Escape and the close box give the dismissed
// one. A worker's choice is shown on the user-interface thread and its
// answer reaches the worker.
TEST(ChoiceBox, EachButtonAnswersWithItsIndexAndEscapeOrTheCloseBoxWithTheDismissedOne)
{
    test::testApplication();
    const Choices choices{{"Save...", "Discard", "Keep"}, 2};
    const Message question{Message::Kind::Question, "Which?", "Choice", {}};
    struct Case {
        const char *how;
        std::function<void(QMessageBox &)> act;
        int expected;
    };
    const auto click = [](const char *text) {
        return [text](QMessageBox &box) {
            for (QAbstractButton *button : box.buttons())
                if (button->text() == QLatin1String(text))
                    QTest::mouseClick(button, Qt::LeftButton);
        };
    };
    const Case cases[] = {
        {"Save...", click("Save..."), 0},
        {"Discard", click("Discard"), 1},
        {"Keep", click("Keep"), 2},
        {"Escape", [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); }, 2},
        {"close box", [](QMessageBox &box) { box.close(); }, 2},
    };
    QtMessageService service;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        std::vector<QString> shownButtons;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
                    answer.stop();
                    for (QAbstractButton *button : box->buttons())
                        shownButtons.push_back(button->text());
                    c.act(*box);
                }
        });
        answer.start();
        std::atomic<int> chosen{-1};
        WorkerHandle worker;
        worker.startIfIdle([&] { chosen = service.choose(question, choices); });
        worker.waitUntilEnded(serveUiWhileWaiting);
        answer.stop();
        EXPECT_EQ(chosen.load(), c.expected);
        EXPECT_EQ(shownButtons, (std::vector<QString>{"Save...", "Discard", "Keep"}));
    }
}

} // namespace
} // namespace tarvex
