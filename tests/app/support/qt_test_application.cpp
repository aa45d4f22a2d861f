#include "tests/app/support/qt_test_application.h"

#include "tests/support/settings_isolation.h"
#include "app/frame/tarvex_app.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tarvex::test {

QApplication &testApplication()
{
    static QApplication *app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        isolateUserSettings();
        // A test program whose entry point made the application already.
        if (auto *existing = qobject_cast<QApplication *>(QCoreApplication::instance())) {
            existing->setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
            existing->setApplicationName(QStringLiteral("Tarvex_M9A"));
            GXInit();
            return existing;
        }
        static int argc = 1;
        static char name[] = "app_widgets_test";
        static char *argv[] = {name, nullptr};
        auto *application = new QApplication(argc, argv);
        application->setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
        application->setApplicationName(QStringLiteral("Tarvex_M9A"));
        GXInit();
        return application;
    }();
    return *app;
}

void pump(int ms)
{
    testApplication();
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (ms > 0)
            QTest::qWait(1);
    } while (clock.elapsed() < ms);
}

void doubleClick(QWidget &target, const QPoint &at)
{
    QTest::mouseClick(&target, Qt::LeftButton, {}, at);
    QTest::mouseDClick(&target, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&target, Qt::LeftButton, {}, at);
}

void showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window, 1000);
    window.setFocus();
    pump();
}

} // namespace tarvex::test

namespace {

// Every widget test finds the application in place, even its fixtures' members.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { tarvex::test::testApplication(); }
};

[[maybe_unused]] const ::testing::Environment *const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
