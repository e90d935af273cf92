#ifndef UI_USERINFOFORM_H
#define UI_USERINFOFORM_H

#include "ui/PictureLabel.h"

#include <QSize>
#include <QWidget>

class QLabel;

// What another user tells about itself: its upload slots, queue and whether a
// slot is free, its picture (scaled to fit PictureBox) above its description.
class UserInfoForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize PictureBox{800, 400};

    explicit UserInfoForm(const QString& user, QWidget* parent = nullptr);

    const QString& User() const { return user; }

    // "Requesting..." until the information comes.
    void ShowRequesting();
    bool IsRequesting() const { return requesting; }
    void ShowInfo(const QString& description, bool hasPicture, const QByteArray& picture, int uploadSlots,
                  int queuedUploads, bool slotsFree);
    void ShowMessage(const QString& text);
    // Whether a picture is still being read.
    bool IsDecoding() const { return picture->IsReading(); }

    QLabel* Status() const { return status; }
    PictureLabel* Picture() const { return picture; }
    QLabel* Description() const { return description; }
    QLabel* Slots() const { return uploadSlots; }
    QLabel* Queued() const { return queuedUploads; }
    QLabel* Free() const { return slotFree; }

    // The description as rich text: the peer's text escaped, its line breaks
    // made "<br>".
    static QString DescriptionHtml(const QString& text);

signals:
    void RefreshRequested(QString user);

private:
    void ShowNumbers(bool known);

    QString user;
    bool requesting = false;
    QLabel* status;
    QWidget* numbers;
    QLabel* uploadSlots;
    QLabel* queuedUploads;
    QLabel* slotFree;
    PictureLabel* picture;
    QLabel* description;
};

#endif
