#include "app/ui/files/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <string_view>

namespace tarvex {

FileOutcome savePictureBytes(const QString &path, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {"the picture could not be drawn"};
    return saveFileAtomically(QFile::encodeName(path).toStdString(),
                              std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

FileOutcome saveImageFile(const QImage &image, const QString &path, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray suffix = QFileInfo(path).suffix().toUpper().toLatin1();
    if (!image.save(&buffer, format ? format : suffix.constData(), quality))
        return {"the picture could not be encoded"};
    return savePictureBytes(path, bytes);
}

} // namespace tarvex
