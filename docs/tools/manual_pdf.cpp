// Turns the user manual's Markdown source into the PDF the program opens
// from Help, "User Manual": Qt's own Markdown reader lays out the text,
// pictures are scaled to the text width, and the pages are printed with
// their numbers into a PDF writer.
//
//   manual_pdf <manual.md> <output.pdf> [picture directory]
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

// Scales every picture down to the text width, keeping its proportions.
void fitPictures(QTextDocument &doc, qreal textWidth)
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
            const qreal scale = std::min<qreal>(1.0, textWidth * 0.9 / picture.width());
            imageFormat.setWidth(picture.width() * scale);
            imageFormat.setHeight(picture.height() * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(imageFormat);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    if (argc < 3)
        return fail(QStringLiteral("usage: manual_pdf <manual.md> <output.pdf> [picture directory]"));
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QString pictures = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QFileInfo(source).absolutePath();

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

    QTextDocument doc;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setDefaultStyleSheet(QStringLiteral("h1 { color: #1a3a6b; } h2 { color: #1a3a6b; } code { font-family: monospace; }"));
    QString missing;
    if (!loadPictures(doc, text, pictures, missing))
        return fail(QStringLiteral("picture %1 not found in %2").arg(missing, pictures));
    doc.setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const qreal footer = 40; // room for the page number under the text
    const qreal textHeight = page.height() - footer;
    doc.setPageSize(QSizeF(page.width(), textHeight));
    fitPictures(doc, page.width());

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
        painter.save();
        painter.translate(0, -p * textHeight);
        doc.drawContents(&painter, QRectF(0, p * textHeight, page.width(), textHeight));
        painter.restore();
        painter.setFont(footFont);
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(QRectF(0, textHeight + 8, page.width(), footer - 8), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Tarvex M9A User Manual  —  %1 / %2").arg(p + 1).arg(pages));
    }
    painter.end();
    std::printf("%s: %d pages\n", qPrintable(output), pages);
    return 0;
}
