#ifndef UI_USERPICTURE_H
#define UI_USERPICTURE_H

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The picture another user sends with its information. Its bytes come from a
// peer: the image is decoded only after the size its header declares has been
// checked (a small file can declare an image of gigabytes), and it is scaled
// while it is read, so that no more than the shown picture is ever held.
struct UserPicture
{
    // The largest image a header may declare.
    static constexpr int MaxSide = 8192;
    static constexpr qint64 MaxPixels = 16 * 1024 * 1024;

    QImage image;
    // Why there is no image.
    QString error;

    // Decodes the bytes into an image that fits the box, keeping the aspect
    // ratio; a smaller picture keeps its size. Safe on any thread.
    static UserPicture Decode(const QByteArray& bytes, const QSize& box);
};

#endif
