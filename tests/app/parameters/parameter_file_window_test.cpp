// Parameter files from the window: a saved file loads back into the same
// cells with the file colours; blank lines, lines without a separator and
// values with a full stop; a file from another catalogue; paths that cannot
// be read or written; the file dialogs' settings; and the catalogue's
// limits, which are shown as text whatever they contain.
#include "tests/app/support/chart_menu_driver.h"
#include "app/parameters/parameter_file_dialog.h"
#include "tests/app/parameters/parameter_session.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

#include <sys/resource.h>

namespace tarvex::test {
namespace {

using namespace catalogue;

std::string contentsOf(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(text.substr(from, end - from));
    return lines;
}

// Files of this process limited to one 512-byte block while it lives, as on
// a full disk: a write beyond it fails (EFBIG) instead of ending the process.
class FullDisk {
public:
    FullDisk()
    {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = 512;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, previous_);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

private:
    rlimit before_{};
    void (*previous_)(int) = SIG_DFL;
};

class Files : public ParameterSession {
protected:
    std::filesystem::path file(const std::string &name) const { return directory / name; }
    QString path(const std::string &name) const { return QString::fromStdString(file(name).string()); }
};

TEST_F(Files, ASavedFileHasTheHeaderAndOneLinePerParameterInFileOrder)
{
    openWindow();
    type(1, kSystemInertia + 1, "250");
    ASSERT_TRUE(dialog().saveTo(path("set.mpa")));
    EXPECT_TRUE(messages.empty());

    const std::vector<std::string> lines = linesOf(contentsOf(file("set.mpa")));
    int total = 0;
    for (int g : {0, 1, 2, 3, 4, 5, 7})
        total += dialog().form(g)->rowCount();
    ASSERT_EQ(static_cast<int>(lines.size()), 1 + total);
    EXPECT_EQ(lines[0], "M9AServio Drive version: \t0132");
    EXPECT_EQ(lines[1], "0x2600\t0.\t0");
    // The DC link as the drive holds it, x 0.1 with a full stop.
    EXPECT_EQ(lines[13], "0x260C\t0.\t" + value(0, 13));
    EXPECT_NE(value(0, 13).find('.'), std::string::npos);
    EXPECT_NEAR(std::stod(value(0, 13)), 310.5, 2.0);
    const int systemFirst = 1 + dialog().form(0)->rowCount();
    EXPECT_EQ(lines[static_cast<std::size_t>(systemFirst + kSystemInertia)], "0x2001\t0.\t250");
    // The speed group's array object: sub-indices 1 to 7.
    int speedFirst = systemFirst;
    for (int g : {1, 2, 3})
        speedFirst += dialog().form(g)->rowCount();
    EXPECT_EQ(lines[static_cast<std::size_t>(speedFirst + 4)], "0x2304\t1.\t0");
    EXPECT_EQ(lines.back(), "0x270F\t0.\t0") << "Fullclosed is last while the factory group is hidden";
}

TEST_F(Files, ALoadedFileFillsTheSameCellsInTheFileColours)
{
    openWindow();
    type(1, kSystemInertia + 1, "250");
    type(3, 1, "000A");
    type(5, kPositionHomingTimeout + 1, "60");
    ASSERT_TRUE(dialog().saveTo(path("set.mpa")));

    type(1, kSystemInertia + 1, "999");
    type(3, 1, "0003");
    type(5, kPositionHomingTimeout + 1, "61");
    ASSERT_TRUE(dialog().loadFrom(path("set.mpa")));
    EXPECT_TRUE(messages.empty()) << messages.texts().front();

    EXPECT_EQ(value(1, kSystemInertia + 1), "250");
    EXPECT_EQ(valueColour(1, kSystemInertia + 1), kRed);
    EXPECT_TRUE(valueBold(1, kSystemInertia + 1));
    EXPECT_EQ(value(3, 1), "000A");
    EXPECT_EQ(value(5, kPositionHomingTimeout + 1), "60");
    EXPECT_EQ(valueColour(5, kPositionHomingTimeout + 1), kBlue) << "equal to its default: blue";
    EXPECT_FALSE(valueBold(5, kPositionHomingTimeout + 1));
    EXPECT_EQ(valueColour(0, 1), kBlue);

    // Nothing went to the drive; All Write sends what was loaded.
    EXPECT_EQ(driveRegister(82), 100);
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    EXPECT_EQ(driveRegister(82), 250);
    EXPECT_EQ(driveRegister(320), 0x000A);
}

TEST_F(Files, BlankLinesLinesWithoutSeparatorAndValuesWithAFullStop)
{
    openWindow();
    // Header, a blank line, a line without a full stop, then the status
    // group's first two values (one with a full stop of its own).
    directory.write("odd.mpa", "M9AServio Drive version: \tX\r\n"
                               "\r\n"
                               "no separator here\r\n"
                               "   0x2600\t0.\t12.5\r\n"
                               "0x2601\t0.\t-3\r\n");
    ASSERT_TRUE(dialog().loadFrom(path("odd.mpa")));
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_EQ(value(0, 1), "12.5");
    EXPECT_EQ(value(0, 2), "-3");
    EXPECT_EQ(value(0, 3), "0") << "a short file fills only its rows";
    EXPECT_EQ(valueColour(0, 3), QColor(0, 0, 0));
}

TEST_F(Files, AFileFromAnotherCatalogueLoadsByPositionAndNamesTheLinesThatDoNotMatch)
{
    openWindow();
    ASSERT_TRUE(dialog().saveTo(path("set.mpa")));
    std::string text = contentsOf(file("set.mpa"));
    // Another catalogue: the System group's second parameter has another number.
    const std::string from = "0x2001\t0.\t100";
    ASSERT_NE(text.find(from), std::string::npos);
    text.replace(text.find(from), from.size(), "0x2099\t0.\t150");
    directory.write("other.mpa", text);

    ASSERT_TRUE(dialog().loadFrom(path("other.mpa")));
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Parameter File does not match the Parameter List"});
    const std::string detail = messages.messages().front().detail;
    EXPECT_NE(detail.find("System row 2: 0x2099 in the file, 0x2001 in the parameter list"), std::string::npos)
        << detail;
    EXPECT_EQ(value(1, kSystemInertia + 1), "150") << "loaded by position all the same";
}

TEST_F(Files, PathsThatCannotBeReadOrWrittenAreReported)
{
    openWindow();
    EXPECT_FALSE(dialog().loadFrom(path("missing.mpa")));
    EXPECT_FALSE(dialog().saveTo(path("no-such-directory/set.mpa")));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Cannot Open Parameter File", "Cannot Save Parameter File"}));
    EXPECT_EQ(value(1, kSystemInertia + 1), "100");
}

TEST_F(Files, ASaveThatFailsKeepsTheOldFileByteForByteLeavesNoNewOneAndSaysWhy)
{
    openWindow();
    const std::string old = "M9AServio Drive version: \told\r\n";
    directory.write("set.mpa", old);
    {
        FullDisk full;
        EXPECT_FALSE(dialog().saveTo(path("set.mpa")));
        EXPECT_FALSE(dialog().saveTo(path("new.mpa")));
    }
    EXPECT_EQ(contentsOf(file("set.mpa")), old);
    EXPECT_FALSE(std::filesystem::exists(file("new.mpa")));
    for (const auto &entry : std::filesystem::directory_iterator(directory.path()))
        EXPECT_TRUE(entry.path().filename() == "set.mpa" || entry.path().filename().string().find(".mpa") ==
                                                                 std::string::npos)
            << "no temporary file is left: " << entry.path();
    ASSERT_EQ(messages.texts(),
              (std::vector<std::string>{"Cannot Save Parameter File", "Cannot Save Parameter File"}));
    EXPECT_NE(messages.messages().front().detail.find("File too large"), std::string::npos)
        << messages.messages().front().detail;
}

TEST(ParameterFileDialog, FilterDefaultExtensionAndOverwriteConfirmation)
{
    QFileDialog save;
    configureParameterFileDialog(save, ParameterFileChoice::Save);
    EXPECT_EQ(save.nameFilters(), QStringList{"M9 Parameter File(*.mpa)"});
    EXPECT_EQ(save.defaultSuffix(), "mpa") << "a saved file must show under the Open filter";
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));

    QFileDialog open;
    configureParameterFileDialog(open, ParameterFileChoice::Open);
    EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open.nameFilters(), (QStringList{"M9 Parameter File(*.mpa)", "All files (*)"}));
}

// The next file dialog shown: `look` sees it once the files of its folder
// are listed, then `typed` goes into its name box, followed by Enter.
void whenFileDialogShows(std::function<void(QFileDialog &)> look, const QString &typed)
{
    whenNextFileDialogShows([look, typed](QFileDialog &dialog) {
        if (auto *files = dialog.findChild<QListView *>(QStringLiteral("listView")))
            (void)QTest::qWaitFor([files] { return files->model()->rowCount(files->rootIndex()) > 0; }, 3000);
        look(dialog);
        // Typed keys select as they go only while the name box has the
        // focus; without it a path's leading "/" stays selected and Return
        // opens the root folder instead of saving.
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                dialog.activateWindow();
                name->setFocus();
                return name->hasFocus();
            },
            5000));
        name->clear();
        QTest::keyClicks(name, typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
}

QStringList listedFiles(const QFileDialog &dialog)
{
    QStringList names;
    if (const auto *files = dialog.findChild<QListView *>(QStringLiteral("listView")))
        for (int row = 0; row < files->model()->rowCount(files->rootIndex()); ++row)
            names.append(files->model()->index(row, 0, files->rootIndex()).data().toString());
    return names;
}

QToolButton &fileButton(CParameterDlg &window, int controlId)
{
    for (QToolButton *button : window.findChildren<QToolButton *>())
        if (button->property("controlId").toInt() == controlId)
            return *button;
    throw std::runtime_error("no such button");
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? QDir(documents).absolutePath() : QDir::homePath();
}

TEST_F(Files, ASavedFileShowsUnderTheOpenFilterInTheFolderUsedLast)
{
    openWindow();
    type(1, kSystemInertia + 1, "250");
    QString saveFolder;
    whenFileDialogShows([&](QFileDialog &save) { saveFolder = save.directory().absolutePath(); },
                        path("set")); // typed without an extension
    QTest::mouseClick(&fileButton(dialog(), 1009), Qt::LeftButton);
    EXPECT_EQ(saveFolder, documentsFolder()) << "never the working directory";
    ASSERT_TRUE(std::filesystem::exists(file("set.mpa")));
    EXPECT_FALSE(std::filesystem::exists(file("set.txt")));

    type(1, kSystemInertia + 1, "999");
    QString openFolder;
    QStringList filters;
    QStringList listed;
    whenFileDialogShows(
        [&](QFileDialog &open) {
            openFolder = open.directory().absolutePath();
            filters = open.nameFilters();
            listed = listedFiles(open);
        },
        QStringLiteral("set.mpa"));
    QTest::mouseClick(&fileButton(dialog(), 1008), Qt::LeftButton);
    EXPECT_EQ(openFolder.toStdString(), std::filesystem::canonical(directory.path()).string());
    EXPECT_EQ(filters, (QStringList{"M9 Parameter File(*.mpa)", "All files (*)"}));
    EXPECT_TRUE(listed.contains("set.mpa")) << listed.join(", ").toStdString();
    EXPECT_EQ(value(1, kSystemInertia + 1), "250");
    EXPECT_TRUE(messages.empty());
}

TEST(ParameterForm, LimitsAndTextsAreShownAsTheCatalogueWritesThem)
{
    testApplication();
    CPSystemFormDlg form;
    form.OnInitDialog();
    parameters::GroupCatalogue group;
    ParameterAttribute p;
    p.Param_Num = u"0x2000";
    p.Servo_ID = u"0";
    p.Param_Name = u"100% %s";
    p.Param_Value = u"%d";
    p.Param_Unit = u"%n";
    p.Param_Min_Value = u"%s%s%s%n";
    p.Param_Max_Value = u"%08x%%";
    p.Param_Change = 2;
    group.attributes = {p};
    group.loaded = true;
    form.fillFromCatalogue(group);
    CSelectAllGridWnd &grid = form.grid();
    EXPECT_EQ(grid.GetValueRowCol(1, CParameterFormDlg::kColMin), "%s%s%s%n");
    EXPECT_EQ(grid.GetValueRowCol(1, CParameterFormDlg::kColMax), "%08x%%");
    EXPECT_EQ(grid.GetValueRowCol(1, CParameterFormDlg::kColName), "100% %s");
    EXPECT_EQ(grid.GetValueRowCol(1, CParameterFormDlg::kColDefault), "%d");
    EXPECT_EQ(grid.GetStyleRowCol(1, 1).textColor.value_or(QColor()), kBlue);
    EXPECT_EQ(form.rowCount(), 1);
}

TEST(ParameterForm, EscapeIsSwallowed)
{
    testApplication();
    CPStatusFormDlg form;
    form.OnInitDialog();
    form.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    EXPECT_TRUE(form.isVisible());
}

} // namespace
} // namespace tarvex::test
