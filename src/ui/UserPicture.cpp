#include "ui/UserPicture.h"

#include <QBuffer>
#include <QImageReader>

UserPicture UserPicture::Decode(const QByteArray& bytes, const QSize& box)
{
    UserPicture picture;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize declared = reader.size();
    if (!reader.canRead() || !declared.isValid() || declared.isEmpty()) {
        picture.error = "The picture is not in a format that can be shown.";
        return picture;
    }
    if (declared.width() > MaxSide || declared.height() > MaxSide
        || qint64(declared.width()) * declared.height() > MaxPixels) {
        picture.error = QString("The picture is too large to be shown (%1 by %2 pixels).")
                            .arg(declared.width())
                            .arg(declared.height());
        return picture;
    }
    QSize target = declared;
    if (declared.width() > box.width() || declared.height() > box.height())
        target = declared.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    if (target != declared)
        reader.setScaledSize(target);
    picture.image = reader.read();
    if (picture.image.isNull())
        picture.error = QString("The picture could not be read (%1).").arg(reader.errorString());
    return picture;
}
