// What the tests choose (looks, folders, recent files, ticked rows, capture
// set-ups) and the snapshots their writes keep must end up neither in the user's settings nor in the next
// test's: each test program keeps its settings in a directory of its own,
// removed at the end, and every test starts from empty settings.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tarvex::test {

inline const std::filesystem::path &isolatedSettingsDirectory()
{
    static const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("tarvex-test-config-" + std::to_string(QCoreApplication::applicationPid()));
    return directory;
}

inline void emptyIsolatedSettings()
{
    std::error_code ignored;
    std::filesystem::remove_all(isolatedSettingsDirectory(), ignored);
    std::filesystem::create_directories(isolatedSettingsDirectory(), ignored);
}

// Once per program; before or after the application object is made.
inline void isolateUserSettings()
{
    static const bool done = [] {
        emptyIsolatedSettings();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(isolatedSettingsDirectory().string()));
        // The parameter snapshots kept before each write go there too.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((isolatedSettingsDirectory() / "data").string()));
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(isolatedSettingsDirectory(), ignored);
        });
        struct EachTest : ::testing::EmptyTestEventListener {
            // Through QSettings, which may hold the file's contents in memory.
            void OnTestStart(const ::testing::TestInfo &) override
            {
                QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tarvex_M9A"))
                    .clear();
            }
        };
        ::testing::UnitTest::GetInstance()->listeners().Append(new EachTest);
        return true;
    }();
    (void)done;
}

} // namespace tarvex::test
