// The chart as a picture: written to a file (PNG, JPEG, PDF or SVG, chosen
// by the file's suffix), put on the clipboard, or printed.
#pragma once

#include <QString>

class QCustomPlot;
class QPrinter;

namespace chart_pictures {

// The suffixes a picture can be written with, lower case.
bool isPictureSuffix(const QString &suffix);

// Writes the plot at its shown size (at least 640 x 400); false when the
// suffix names no picture format or the file cannot be written.
bool writePicture(QCustomPlot &plot, const QString &path);

// The plot as an image on the system clipboard.
void copyToClipboard(QCustomPlot &plot);

// Draws the plot across the printer's page.
void printOn(QCustomPlot &plot, QPrinter &printer);

} // namespace chart_pictures
