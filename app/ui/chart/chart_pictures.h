// The chart as a picture: written to a file (PNG, JPEG, PDF or SVG, chosen
// by the file's suffix), put on the clipboard, or printed.
#pragma once

#include <QSize>
#include <QString>

#include <optional>

class QCustomPlot;
class QPrinter;
class QWidget;

namespace chart_pictures {

// The suffixes a picture can be written with, lower case.
bool isPictureSuffix(const QString &suffix);

// The size a picture is written at unless the user chooses another: large
// enough to print and to read on a large screen, never smaller than the
// chart shown at twice its size.
QSize defaultPictureSize(const QSize &shown);
// The bounds of a chosen size, so that a typing slip cannot ask for an
// image larger than memory.
inline constexpr int kSmallestSide = 200;
inline constexpr int kLargestSide = 10000;

// Asks for the size to write a picture at, prefilled with the size chosen
// last (or the default for a chart of `shown` size); nothing when cancelled.
std::optional<QSize> askPictureSize(QWidget *parent, const QSize &shown);

// Writes the plot at `size` pixels (a vector format at that page size),
// laid out as shown and scaled up; false when the suffix names no picture
// format or the file cannot be written.
bool writePicture(QCustomPlot &plot, const QString &path, const QSize &size);

// The plot as an image on the system clipboard, at the default size.
void copyToClipboard(QCustomPlot &plot);

// Draws the plot across the printer's page.
void printOn(QCustomPlot &plot, QPrinter &printer);

} // namespace chart_pictures
