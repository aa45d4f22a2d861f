// Turns the user manual's Markdown source into the PDF the program opens
// from Help, "User Manual": Qt's own Markdown reader lays out the text,
// every chapter (second-level heading) starts a page, pictures are scaled to
// the text width, the contents list gets its page numbers, and the pages are
// printed with their numbers into a PDF writer.
//
//   manual_pdf <manual.md> <output.pdf> [picture directory] [--preview <dir>]
//
// --preview also draws every page into page-NN.png in <dir>, to look at the
// layout without a PDF viewer.
#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>

#include <cstdio>

namespace {

int fail(const QString &why)
{
    std::fprintf(stderr, "manual_pdf: %s\n", qPrintable(why));
    return 1;
}

// Pictures named in the text are loaded up front, so that a missing one
// fails the build instead of leaving an empty frame in the manual.
bool loadPictures(QTextDocument &doc, const QString &text, const QString &pictureDir, QString &missing)
{
    static const QRegularExpression image(QStringLiteral(R"(!\[[^\]]*\]\(([^)\s]+)\))"));
    for (auto it = image.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured(1);
        const QImage picture(QFileInfo(pictureDir + QLatin1Char('/') + name).absoluteFilePath());
        if (picture.isNull()) {
            missing = name;
            return false;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    return true;
}

// Shows every picture at its size on a 96-dpi screen, the unit the layout
// measures images in, scaled down to the text width where it is wider;
// proportions are kept.
void fitPictures(QTextDocument &doc, qreal textWidth, qreal dpi)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            QTextImageFormat imageFormat = format.toImageFormat();
            const QImage picture = doc.resource(QTextDocument::ImageResource, QUrl(imageFormat.name())).value<QImage>();
            if (picture.isNull())
                continue;
            const qreal room = textWidth * 0.9 * 96.0 / dpi;
            const qreal scale = std::min<qreal>(1.0, room / picture.width());
            imageFormat.setWidth(picture.width() * scale);
            imageFormat.setHeight(picture.height() * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(imageFormat);
        }
    }
}

// Thin single rules around table cells, a shaded header row, and shaded
// code blocks, so that tables and commands stand out from the text.
void styleTablesAndCode(QTextDocument &doc)
{
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorderCollapse(true);
        format.setBorder(1);
        format.setBorderBrush(QColor(150, 150, 150));
        format.setCellPadding(4);
        format.setCellSpacing(0);
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat header = cell.format();
            header.setBackground(QColor(225, 232, 243));
            cell.setFormat(header);
        }
    }
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (!format.hasProperty(QTextFormat::BlockCodeFence))
            continue;
        format.setBackground(QColor(242, 242, 242));
        format.setLeftMargin(12);
        QTextCursor(block).setBlockFormat(format);
    }
}

bool isChapter(const QTextBlock &block) { return block.blockFormat().headingLevel() == 2; }

// Each chapter begins on a new page, so that a picture and its text stay
// together and the contents can point at whole pages.
void breakBeforeChapters(QTextDocument &doc)
{
    bool first = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!isChapter(block))
            continue;
        if (!first) {
            QTextBlockFormat format = block.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
        }
        first = false;
    }
}

// The chapters after the "Contents" heading, in order.
QList<QTextBlock> chaptersAfterContents(const QTextDocument &doc, QTextBlock *contents)
{
    QList<QTextBlock> chapters;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!isChapter(block))
            continue;
        if (!contents->isValid() && block.text().trimmed() == QLatin1String("Contents"))
            *contents = block;
        else if (contents->isValid())
            chapters << block;
    }
    return chapters;
}

// The page each chapter starts on, in a laid-out document.
QList<int> chapterPages(QTextDocument &doc, qreal pageHeight)
{
    QTextBlock contents;
    QList<int> pages;
    for (const QTextBlock &chapter : chaptersAfterContents(doc, &contents))
        pages << static_cast<int>(doc.documentLayout()->blockBoundingRect(chapter).top() / pageHeight) + 1;
    return pages;
}

// The list after the "Contents" heading names the chapters in order; each
// entry gets its chapter's page, set against a right tab stop. Only a short
// number is added to each line, so the layout measured without the numbers
// still holds.
void numberContents(QTextDocument &doc, const QList<int> &pages, qreal textWidth, qreal dpi)
{
    QTextBlock contents;
    chaptersAfterContents(doc, &contents);
    if (!contents.isValid())
        return;
    int chapter = 0;
    for (QTextBlock entry = contents.next(); entry.isValid() && entry.textList() && chapter < pages.size();
         entry = entry.next(), ++chapter) {
        QTextBlockFormat format = entry.blockFormat();
        // Tab stops are given in pixels of a 96-dpi screen.
        format.setTabPositions({QTextOption::Tab(textWidth * 0.7 * 96.0 / dpi, QTextOption::RightTab)});
        QTextCursor cursor(entry);
        cursor.setBlockFormat(format);
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QStringLiteral("\t%1").arg(pages[chapter]));
    }
}

struct Sheet {
    QRectF page;       // the printable area, in PDF pixels
    qreal textHeight;  // the part of it the text fills; the page number goes below
};

// Lays the manual out for the PDF. With `contentsPages` the contents list
// carries those page numbers. False when a picture is missing.
bool layOut(QTextDocument &doc, const QString &text, const QString &pictureDir, QPdfWriter &pdf, const Sheet &sheet,
            const QFont &font, const QList<int> &contentsPages, QString &missing)
{
    doc.setDefaultFont(font);
    // The pictures go in after the text: reading Markdown clears the
    // document's resources.
    doc.setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    if (!loadPictures(doc, text, pictureDir, missing))
        return false;
    fitPictures(doc, sheet.page.width(), pdf.resolution());
    styleTablesAndCode(doc);
    breakBeforeChapters(doc);
    if (!contentsPages.isEmpty())
        numberContents(doc, contentsPages, sheet.page.width(), pdf.resolution());
    // Text is measured for the PDF's resolution, not the screen's. Every
    // change is made before the page size is set, which lays out the whole
    // document once: a change after it would leave the rest of the
    // document waiting for a lazy relayout that drawing does not finish.
    doc.documentLayout()->setPaintDevice(&pdf);
    doc.setPageSize(QSizeF(sheet.page.width(), sheet.textHeight));
    return true;
}

// Draws page `p` of the laid-out document and its number at the foot.
void drawPage(QPainter &painter, QTextDocument &doc, int p, int pages, const Sheet &sheet, const QFont &footFont)
{
    const QRectF &page = sheet.page;
    const qreal textHeight = sheet.textHeight;
    painter.save();
    painter.translate(0, -p * textHeight);
    doc.drawContents(&painter, QRectF(0, p * textHeight, page.width(), textHeight));
    painter.restore();
    painter.setFont(footFont);
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(QRectF(0, textHeight + 8, page.width(), page.height() - textHeight - 8),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("Tarvex M9A User Manual  —  %1 / %2").arg(p + 1).arg(pages));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QStringList args;
    QString previewDir;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--preview") && i + 1 < argc)
            previewDir = QString::fromLocal8Bit(argv[++i]);
        else
            args << arg;
    }
    if (args.size() < 2)
        return fail(QStringLiteral("usage: manual_pdf <manual.md> <output.pdf> [picture directory] [--preview <dir>]"));
    const QString source = args[0];
    const QString output = args[1];
    const QString pictures = args.size() > 2 ? args[2] : QFileInfo(source).absolutePath();

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(source));
    const QString text = QString::fromUtf8(in.readAll());

    QPdfWriter pdf(output);
    pdf.setTitle(QStringLiteral("Tarvex M9A User Manual"));
    pdf.setCreator(QStringLiteral("M9 Servo Suite"));
    pdf.setResolution(150);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 16, 18, 16),
                                  QPageLayout::Millimeter));

    const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const qreal footer = 40; // room for the page number under the text
    const Sheet sheet{page, page.height() - footer};
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);

    // Laid out twice: first to learn where the chapters start, then with
    // those pages in the contents list.
    QString missing;
    QTextDocument measured;
    if (!layOut(measured, text, pictures, pdf, sheet, font, {}, missing))
        return fail(QStringLiteral("picture %1 not found in %2").arg(missing, pictures));
    QTextDocument doc;
    layOut(doc, text, pictures, pdf, sheet, font, chapterPages(measured, sheet.textHeight), missing);

    // Pages are drawn one by one so that each gets its number at the foot.
    QPainter painter(&pdf);
    if (!painter.isActive())
        return fail(QStringLiteral("cannot write %1").arg(output));
    const int pages = doc.pageCount();
    QFont footFont = font;
    footFont.setPointSizeF(8);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            pdf.newPage();
        drawPage(painter, doc, p, pages, sheet, footFont);
    }
    painter.end();
    if (!previewDir.isEmpty()) {
        QDir().mkpath(previewDir);
        for (int p = 0; p < pages; ++p) {
            QImage picture(page.size().toSize(), QImage::Format_RGB32);
            picture.setDotsPerMeterX(pdf.logicalDpiX() * 10000 / 254);
            picture.setDotsPerMeterY(pdf.logicalDpiY() * 10000 / 254);
            picture.fill(Qt::white);
            QPainter picturePainter(&picture);
            drawPage(picturePainter, doc, p, pages, sheet, footFont);
            picturePainter.end();
            picture.save(QDir(previewDir).filePath(QStringLiteral("page-%1.png").arg(p + 1, 2, 10, QLatin1Char('0'))));
        }
    }
    std::printf("%s: %d pages\n", qPrintable(output), pages);
    return 0;
}
