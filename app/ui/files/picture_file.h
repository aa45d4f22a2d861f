// Pictures (chart exports, window grabs) saved the way every file of the
// suite is saved: encoded in memory first, then written to a temporary file
// beside the target and renamed over it, so a failed write leaves the old
// picture as it was and says why.
#pragma once

#include "drive/files/file_access.h"

#include <QByteArray>
#include <QString>

class QImage;

namespace tarvex {

FileOutcome savePictureBytes(const QString &path, const QByteArray &bytes);

// `format` as QImage names it ("PNG", "JPG"); none: by the path's suffix.
FileOutcome saveImageFile(const QImage &image, const QString &path, const char *format = nullptr,
                          int quality = -1);

} // namespace tarvex
