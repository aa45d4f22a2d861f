// The one file dialog policy as the windows use it: each type's own
// extension added to a name typed without one, the Open dialog listing the
// type and "All files", the dialog starting in the folder last used for the
// type (else the documents folder), never in a folder that is gone.
#include "tests/app/support/chart_menu_driver.h"
#include "app/ui/chart/chart_view.h"
#include "app/ui/files/file_dialogs.h"
#include "app/graphs/graph_file_dialog.h"
#include "app/ui/settings/user_settings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace tarvex;

QString documentsOrHome()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? QDir(documents).absolutePath() : QDir::homePath();
}

TEST(FileDialogs, EachGraphKindSavesWithItsOwnExtensionAndOpensWithAllFilesToo)
{
    const std::pair<graphs::GraphKind, const char *> kinds[] = {
        {graphs::GraphKind::Trace, "mdg"}, {graphs::GraphKind::Trigger, "mtg"}, {graphs::GraphKind::AlarmGraph, "mag"}};
    for (const auto &[kind, extension] : kinds) {
        QFileDialog save;
        configureFileDialog(save, graphs::graphFileType(kind), FileChoice::Save);
        EXPECT_EQ(save.defaultSuffix(), extension);
        EXPECT_EQ(save.nameFilters(), QStringList{graphs::graphFileFilter(kind)});
        EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
        QFileDialog open;
        configureFileDialog(open, graphs::graphFileType(kind), FileChoice::Open);
        EXPECT_EQ(open.nameFilters(), (QStringList{graphs::graphFileFilter(kind), "All files (*)"}));
        EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    }
    EXPECT_EQ(suffixOfFilter("JPEG picture (*.jpg *.jpeg)"), "jpg");
    EXPECT_EQ(suffixOfFilter("All files (*)"), "");
}

TEST(FileDialogs, TheDialogStartsInTheTypesLastFolderOrElseTheDocumentsFolder)
{
    QTemporaryDir directory;
    const QString folder = directory.path();
    QFileDialog first;
    configureFileDialog(first, graphs::graphFileType(graphs::GraphKind::Trace), FileChoice::Save);
    EXPECT_EQ(first.directory().absolutePath(), documentsOrHome());
    EXPECT_NE(first.directory().absolutePath(), QDir::currentPath());

    UserSettings::rememberFolderOf(QStringLiteral("mdg"), folder + "/run.mdg");
    QFileDialog again;
    configureFileDialog(again, graphs::graphFileType(graphs::GraphKind::Trace), FileChoice::Open);
    EXPECT_EQ(again.directory().absolutePath(), QDir(folder).absolutePath());
    QFileDialog otherKind;
    configureFileDialog(otherKind, graphs::graphFileType(graphs::GraphKind::Trigger), FileChoice::Open);
    EXPECT_EQ(otherKind.directory().absolutePath(), documentsOrHome());

    // A folder since removed is not offered.
    UserSettings::rememberFolderOf(QStringLiteral("mdg"), folder + "/gone/run.mdg");
    QFileDialog gone;
    configureFileDialog(gone, graphs::graphFileType(graphs::GraphKind::Trace), FileChoice::Save);
    EXPECT_EQ(gone.directory().absolutePath(), documentsOrHome());
}

TEST(FileDialogs, AnExportedPictureGetsItsExtensionAndTheNextExportStartsBesideIt)
{
    CChartView view;
    ChartSetup setup;
    setup.channels[0] = {"Current Speed[rpm]", 3500, -3500, true};
    setup.xLast = 255;
    view.resize(700, 450);
    view.setUp(setup);
    for (int i = 0; i < 256; ++i)
        view.setPoint(0, i, 1000 * std::sin(i / 15.0));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    QTemporaryDir directory;
    test::answerNextFileDialog(directory.filePath("speed"));
    QSize suggested;
    test::answerNextPictureSize(&suggested, QSize(900, 600));
    ASSERT_TRUE(test::chooseFromChartMenu(view, "Export Picture..."));
    EXPECT_EQ(QImage(directory.filePath("speed.png")).size(), QSize(900, 600)) << "the size chosen";
    EXPECT_EQ(suggested, QSize(1600, 1000)) << "the default for a chart this size";
    test::answerNextFileDialog(directory.filePath("again"));
    test::answerNextPictureSize(&suggested);
    ASSERT_TRUE(test::chooseFromChartMenu(view, "Export Picture..."));
    EXPECT_EQ(suggested, QSize(900, 600)) << "the size chosen last";

    QString folder;
    test::whenNextFileDialogShows([&folder](QFileDialog &dialog) {
        folder = dialog.directory().absolutePath();
        dialog.reject();
    });
    ASSERT_TRUE(test::chooseFromChartMenu(view, "Export Picture..."));
    EXPECT_EQ(folder, QDir(directory.path()).absolutePath());
}

} // namespace
