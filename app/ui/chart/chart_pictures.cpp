#include "app/ui/chart/chart_pictures.h"

#include "app/ui/files/picture_file.h"
#include "app/ui/settings/user_settings.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QBuffer>
#include <QSpinBox>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace chart_pictures {
namespace {

const QString &kSizeKey = tarvex::settings_keys::kChartPictureSize;

QSize shownSize(const QCustomPlot &plot) { return {std::max(plot.width(), 1), std::max(plot.height(), 1)}; }

// How much larger than shown the picture is drawn: the plot keeps its
// layout (fonts, margins) and grows as a whole.
double scaleFor(const QCustomPlot &plot, const QSize &size)
{
    const QSize shown = shownSize(plot);
    return std::max(1.0, std::min(static_cast<double>(size.width()) / shown.width(),
                                  static_cast<double>(size.height()) / shown.height()));
}

QSize layoutSize(const QSize &size, double scale)
{
    return {static_cast<int>(std::ceil(size.width() / scale)), static_cast<int>(std::ceil(size.height() / scale))};
}

QImage imageOf(QCustomPlot &plot, const QSize &size)
{
    const double scale = scaleFor(plot, size);
    const QSize layout = layoutSize(size, scale);
    // The layout rounds up, so the drawing covers the size asked for.
    return plot.toPixmap(layout.width(), layout.height(), scale).toImage().copy(QRect(QPoint(0, 0), size));
}

bool writeImage(QCustomPlot &plot, const QString &path, const QSize &size, const char *format, int quality)
{
    QImage image = imageOf(plot, size);
    if (qstrcmp(format, "JPG") == 0)
        image = image.convertToFormat(QImage::Format_RGB32);
    return static_cast<bool>(tarvex::saveImageFile(image, path, format, quality));
}

// Vector pictures are drawn at the layout size and scaled onto the page.
void drawVector(QCustomPlot &plot, QPaintDevice &device, const QSize &size)
{
    const double scale = scaleFor(plot, size);
    const QSize layout = layoutSize(size, scale);
    QCPPainter painter;
    if (!painter.begin(&device))
        return;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(static_cast<double>(device.width()) / layout.width(),
                  static_cast<double>(device.height()) / layout.height());
    plot.toPainter(&painter, layout.width(), layout.height());
    painter.end();
}

bool writeSvg(QCustomPlot &plot, const QString &path, const QSize &size)
{
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(QStringLiteral("Chart"));
        drawVector(plot, generator, size);
    }
    file.close();
    return static_cast<bool>(tarvex::savePictureBytes(path, bytes));
}

bool writePdf(QCustomPlot &plot, const QString &path, const QSize &size)
{
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96.0, size.height() * 72.0 / 96.0), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Chart"));
        drawVector(plot, pdf, size);
    }
    file.close();
    return static_cast<bool>(tarvex::savePictureBytes(path, bytes));
}

QSize bounded(const QSize &size)
{
    return {std::clamp(size.width(), kSmallestSide, kLargestSide), std::clamp(size.height(), kSmallestSide, kLargestSide)};
}

} // namespace

bool isPictureSuffix(const QString &suffix)
{
    static const QStringList kSuffixes = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                          QStringLiteral("pdf"), QStringLiteral("svg")};
    return kSuffixes.contains(suffix.toLower());
}

QSize defaultPictureSize(const QSize &shown)
{
    return bounded({std::max(1600, 2 * shown.width()), std::max(1000, 2 * shown.height())});
}

std::optional<QSize> askPictureSize(QWidget *parent, const QSize &shown)
{
    const QSize stored = tarvex::UserSettings::value(kSizeKey).toSize();
    const QSize suggested = stored.isValid() ? bounded(stored) : defaultPictureSize(shown);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("pictureSizeDialog"));
    dialog.setWindowTitle(QApplication::translate("ChartPictures", "Picture Size"));
    auto *width = new QSpinBox(&dialog);
    auto *height = new QSpinBox(&dialog);
    for (QSpinBox *side : {width, height}) {
        side->setRange(kSmallestSide, kLargestSide);
        side->setSuffix(QStringLiteral(" px"));
    }
    width->setObjectName(QStringLiteral("pictureWidth"));
    height->setObjectName(QStringLiteral("pictureHeight"));
    width->setValue(suggested.width());
    height->setValue(suggested.height());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto *form = new QFormLayout(&dialog);
    form->addRow(QApplication::translate("ChartPictures", "Width:"), width);
    form->addRow(QApplication::translate("ChartPictures", "Height:"), height);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QSize chosen(width->value(), height->value());
    tarvex::UserSettings::setValue(kSizeKey, chosen);
    return chosen;
}

bool writePicture(QCustomPlot &plot, const QString &path, const QSize &size)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QSize picture = bounded(size);
    if (suffix == QLatin1String("png"))
        return writeImage(plot, path, picture, "PNG", -1);
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return writeImage(plot, path, picture, "JPG", 92);
    if (suffix == QLatin1String("pdf"))
        return writePdf(plot, path, picture);
    if (suffix == QLatin1String("svg"))
        return writeSvg(plot, path, picture);
    return false;
}

void copyToClipboard(QCustomPlot &plot)
{
    QApplication::clipboard()->setImage(imageOf(plot, defaultPictureSize(shownSize(plot))));
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
