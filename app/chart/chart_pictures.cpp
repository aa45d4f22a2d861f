#include "chart_pictures.h"

#include "file_access.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>

#include <algorithm>

namespace chart_pictures {
namespace {

QSize pictureSize(const QCustomPlot &plot) { return {std::max(plot.width(), 640), std::max(plot.height(), 400)}; }

// A picture is drawn into memory first and then saved as every other file:
// a failed save keeps the old picture instead of leaving a truncated one.
void paintVector(QCustomPlot &plot, QPaintDevice &device, QSize size)
{
    QCPPainter painter;
    if (!painter.begin(&device))
        return;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, size.width(), size.height());
    painter.end();
}

QByteArray pictureBytes(QCustomPlot &plot, const QString &suffix)
{
    const QSize size = pictureSize(plot);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("png")) {
        plot.toPixmap(size.width(), size.height()).save(&buffer, "PNG");
    } else if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        plot.toPixmap(size.width(), size.height()).save(&buffer, "JPG", 92);
    } else if (suffix == QLatin1String("pdf")) {
        // At 72 dots per inch a point is a pixel: the page is the chart's size.
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageMargins(QMarginsF());
        writer.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        paintVector(plot, writer, size);
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(QStringLiteral("Chart"));
        paintVector(plot, generator, size);
    }
    return bytes;
}

} // namespace

bool isPictureSuffix(const QString &suffix)
{
    static const QStringList kSuffixes = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                          QStringLiteral("pdf"), QStringLiteral("svg")};
    return kSuffixes.contains(suffix.toLower());
}

bool writePicture(QCustomPlot &plot, const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!isPictureSuffix(suffix))
        return false;
    const QByteArray bytes = pictureBytes(plot, suffix);
    return !bytes.isEmpty() &&
           tarvex::saveFileAtomically(QFile::encodeName(path).toStdString(), std::string_view(bytes.constData(),
                                                                                              static_cast<std::size_t>(bytes.size())));
}

void copyToClipboard(QCustomPlot &plot)
{
    const QSize size = pictureSize(plot);
    QApplication::clipboard()->setImage(plot.toPixmap(size.width(), size.height()).toImage());
}

void printOn(QCustomPlot &plot, QPrinter &printer)
{
    QCPPainter painter(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const double scale = page.width() / std::max(plot.width(), 1);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(scale, scale);
    plot.toPainter(&painter, plot.width(), static_cast<int>(page.height() / scale));
}

} // namespace chart_pictures
