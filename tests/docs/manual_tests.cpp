// The user manual against the programs: the PDF the build writes carries
// every picture its text shows, the Markdown tool refuses a missing picture,
// and the troubleshooting chapter lists every message the sources can show.
#include "tests/docs/source_messages.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <cctype>
#include <set>
#include <sstream>

namespace {

using tarvex::docs::MessageFinder;
using tarvex::docs::SourceMessage;

const QString kSource = QStringLiteral(TARVEX_SOURCE_DIR);
const QString kManualText = kSource + QStringLiteral("/docs/manual/manual.md");

std::string readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

// The pictures a Markdown text shows, each name once.
QSet<QString> picturesOf(const std::string &markdown)
{
    static const QRegularExpression image(QStringLiteral(R"(!\[[^\]]*\]\(([^)\s]+)\))"));
    QSet<QString> names;
    for (auto it = image.globalMatch(QString::fromStdString(markdown)); it.hasNext();)
        names.insert(it.next().captured(1));
    return names;
}

// The object number written before `at`'s dictionary ("12 0 obj"), or empty.
std::string objectBefore(const std::string &pdf, std::size_t at)
{
    const std::size_t obj = pdf.rfind(" 0 obj", at);
    if (obj == std::string::npos)
        return {};
    std::size_t start = obj;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(pdf[start - 1])))
        --start;
    return pdf.substr(start, obj - start);
}

// The number after `key` and blanks ("/SMask 7 0 R"), or empty.
std::string numberAfter(const std::string &pdf, std::size_t at)
{
    while (at < pdf.size() && std::isspace(static_cast<unsigned char>(pdf[at])))
        ++at;
    std::size_t end = at;
    while (end < pdf.size() && std::isdigit(static_cast<unsigned char>(pdf[end])))
        ++end;
    return pdf.substr(at, end - at);
}

// Image objects of a PDF, without the soft masks that carry another image's
// transparency (those are images too, but no picture of their own). The
// dictionaries are plain text even where the streams are compressed.
int embeddedPictureCount(const std::string &pdf)
{
    std::set<std::string> images;
    for (std::size_t at = pdf.find("/Subtype"); at != std::string::npos; at = pdf.find("/Subtype", at + 1)) {
        std::size_t value = at + 8;
        while (value < pdf.size() && std::isspace(static_cast<unsigned char>(pdf[value])))
            ++value;
        if (pdf.compare(value, 6, "/Image") == 0)
            images.insert(objectBefore(pdf, at));
    }
    for (std::size_t at = pdf.find("/SMask"); at != std::string::npos; at = pdf.find("/SMask", at + 1))
        images.erase(numberAfter(pdf, at + 6));
    images.erase(std::string());
    return static_cast<int>(images.size());
}

// The chapter of a Markdown text from the second-level heading naming
// `title` to the next one.
std::string chapter(const std::string &markdown, const std::string &title)
{
    std::istringstream lines(markdown);
    std::string out;
    bool inside = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("## ", 0) == 0)
            inside = line.find(title) != std::string::npos;
        if (inside)
            out += line + '\n';
    }
    return out;
}

int runTool(const QStringList &arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(TARVEX_MANUAL_TOOL), arguments);
    if (!tool.waitForFinished(120000))
        return -1;
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

QString writePicture(const QDir &dir, const QString &name, const QColor &colour)
{
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(colour);
    const QString path = dir.filePath(name);
    picture.save(path);
    return path;
}

TEST(UserManual, PdfEmbedsEveryPictureItsTextShows)
{
    const std::string markdown = readAll(kManualText);
    ASSERT_FALSE(markdown.empty()) << qPrintable(kManualText);
    const QSet<QString> pictures = picturesOf(markdown);
    for (const QString &name : pictures) {
        const QImage picture(kSource + QStringLiteral("/docs/manual/") + name);
        EXPECT_FALSE(picture.isNull()) << qPrintable(name) << " is missing or not a picture";
    }
    const std::string pdf = readAll(QStringLiteral(TARVEX_MANUAL_PDF));
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u) << "no PDF at " << TARVEX_MANUAL_PDF;
    EXPECT_EQ(embeddedPictureCount(pdf), pictures.size());
}

TEST(ManualTool, EmbedsEachPictureOnceAndRefusesAMissingOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder(dir.path());
    writePicture(folder, QStringLiteral("red.png"), Qt::red);
    writePicture(folder, QStringLiteral("blue.png"), Qt::blue);
    const QString text = folder.filePath(QStringLiteral("manual.md"));
    {
        std::ofstream out(text.toStdString());
        out << "# Title\n\n## Contents\n\n1. One\n2. Two\n\n## One\n\n![a red one](red.png)\n\n"
               "| a | b |\n|---|---|\n| `x` | y |\n\n## Two\n\n![blue](blue.png)\n\n![red again](red.png)\n";
    }
    const QString pdf = folder.filePath(QStringLiteral("manual.pdf"));
    ASSERT_EQ(runTool({text, pdf, folder.path()}), 0);
    EXPECT_EQ(embeddedPictureCount(readAll(pdf)), 2);

    {
        std::ofstream out(text.toStdString(), std::ios::app);
        out << "\n![gone](missing.png)\n";
    }
    const QString second = folder.filePath(QStringLiteral("second.pdf"));
    EXPECT_NE(runTool({text, second, folder.path()}), 0);
    EXPECT_FALSE(QFile::exists(second) && QFile(second).size() > 0) << "a manual without its picture was written";
}

TEST(UserManual, TroubleshootingListsEveryMessageOfThePrograms)
{
    // The trace window's sampling period refusals reach its message call
    // through a variable; the table they come from is named here.
    MessageFinder finder;
    finder.addIndirectTable({"kPeriodLimits", "refusal"});
    for (const char *folder : {"drive", "app", "upgrader", "launcher", "m9ctl"})
        finder.addFolder((kSource + QLatin1Char('/') + QLatin1String(folder)).toStdString());
    EXPECT_TRUE(finder.missingTables().empty()) << "tables of messages no longer found: "
                                                << finder.missingTables().front();

    const std::vector<SourceMessage> messages = finder.messages();
    // Far fewer would mean the reading of the sources has gone wrong.
    ASSERT_GT(messages.size(), 60u);

    const std::string troubleshooting = chapter(readAll(kManualText), "Troubleshooting");
    ASSERT_FALSE(troubleshooting.empty()) << "the manual has no Troubleshooting chapter";
    std::string missing;
    for (const SourceMessage &m : messages)
        if (!tarvex::docs::documentCarries(troubleshooting, m))
            missing += "\n  " + m.file.substr(static_cast<std::size_t>(kSource.size()) + 1) + ":" +
                       std::to_string(m.line) + ": \"" + m.joined() + "\"";
    EXPECT_TRUE(missing.empty()) << "messages missing from the Troubleshooting chapter (\"...\" is filled in "
                                    "at run time):"
                                 << missing;
}

} // namespace
