#include "ui/PictureLabel.h"

#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QThreadPool>

PictureLabel::PictureLabel(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void PictureLabel::ShowRead(std::function<UserPicture()> read)
{
    ShowText("Reading the picture...");
    reading = true;
    const int readToken = token;
    QPointer<PictureLabel> label(this);
    QThreadPool::globalInstance()->start([label, readToken, read = std::move(read)] {
        const UserPicture picture = read();
        QMetaObject::invokeMethod(
            qApp,
            [label, readToken, picture] {
                if (label)
                    label->OnRead(readToken, picture);
            },
            Qt::QueuedConnection);
    });
}

void PictureLabel::ShowText(const QString& text)
{
    ++token;
    reading = false;
    setText(text);
}

void PictureLabel::OnRead(int readToken, const UserPicture& read)
{
    if (readToken != token)
        return;
    reading = false;
    if (read.image.isNull())
        setText(read.error);
    else
        setPixmap(QPixmap::fromImage(read.image));
}
