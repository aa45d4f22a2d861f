#include "chart_pictures.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QPrinter>
#include <QSvgGenerator>

#include <algorithm>

namespace chart_pictures {
namespace {

QSize pictureSize(const QCustomPlot &plot) { return {std::max(plot.width(), 640), std::max(plot.height(), 400)}; }

bool writeSvg(QCustomPlot &plot, const QString &path)
{
    const QSize size = pictureSize(plot);
    QSvgGenerator generator;
    generator.setFileName(path);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QStringLiteral("Chart"));
    QCPPainter painter;
    if (!painter.begin(&generator))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, size.width(), size.height());
    painter.end();
    // QSvgGenerator reports no write failure of its own.
    return QFileInfo(path).size() > 0;
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
    const QSize size = pictureSize(plot);
    if (suffix == QLatin1String("png"))
        return plot.savePng(path, size.width(), size.height());
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return plot.saveJpg(path, size.width(), size.height(), 1.0, 92);
    if (suffix == QLatin1String("pdf"))
        return plot.savePdf(path, size.width(), size.height());
    if (suffix == QLatin1String("svg"))
        return writeSvg(plot, path);
    return false;
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
