#include "ui/UserInfoOptionsPage.h"

#include "app/Settings.h"
#include "peer/UserInfo.h"
#include "ui/PictureLabel.h"
#include "ui/UserPicture.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Read like the information reply reads it: a file too large to send is not
// read at all.
UserPicture ReadPicture(const QString& path, const QSize& box)
{
    UserPicture picture;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        picture.error = QString("The picture cannot be read (%1).").arg(file.errorString());
        return picture;
    }
    if (file.size() > MaxUserPictureBytes) {
        picture.error = QString("The picture is larger than %1 MiB: other users are sent none.")
                            .arg(MaxUserPictureBytes / (1024 * 1024));
        return picture;
    }
    return UserPicture::Decode(file.read(MaxUserPictureBytes), box);
}

} // namespace

UserInfoOptionsPage::UserInfoOptionsPage(QWidget* parent)
    : QWidget(parent)
    , preview(new PictureLabel)
    , pictureFile(new QLabel)
    , description(new QPlainTextEdit)
{
    preview->setObjectName("picture_preview");
    preview->setMinimumSize(PreviewBox);
    preview->setFrameShape(QFrame::StyledPanel);
    preview->setWordWrap(true);
    pictureFile->setObjectName("picture_file");
    pictureFile->setWordWrap(true);
    pictureFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    description->setObjectName("user_description");
    description->setPlaceholderText("What other users read when they ask for your information");

    auto* select = new QPushButton("Select Picture...");
    select->setObjectName("select_picture");
    auto* clear = new QPushButton("Clear");
    clear->setObjectName("clear_picture");
    auto* pictureButtons = new QVBoxLayout;
    pictureButtons->addWidget(pictureFile);
    pictureButtons->addWidget(select, 0, Qt::AlignLeft);
    pictureButtons->addWidget(clear, 0, Qt::AlignLeft);
    pictureButtons->addStretch(1);
    auto* pictureRow = new QHBoxLayout;
    pictureRow->addWidget(preview);
    pictureRow->addLayout(pictureButtons, 1);

    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel("Other users who ask for your information see this picture and description.");
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(pictureRow);
    layout->addWidget(new QLabel("Description:"));
    layout->addWidget(description, 1);

    connect(select, &QPushButton::clicked, this, &UserInfoOptionsPage::OnSelectPicture);
    connect(clear, &QPushButton::clicked, this, [this] { SetPictureFile(QString()); });
    connect(description, &QPlainTextEdit::textChanged, this, &UserInfoOptionsPage::OnDescriptionChanged);
}

void UserInfoOptionsPage::LoadSettings()
{
    {
        const QSignalBlocker blocker(description);
        description->setPlainText(GetSetting("user_description"));
    }
    ShowPicture(GetSetting("user_picture_file"));
}

void UserInfoOptionsPage::OnSelectPicture()
{
    const QString path
        = QFileDialog::getOpenFileName(this, "Select Picture", QFileInfo(GetSetting("user_picture_file")).path(),
                                       "Pictures (*.png *.jpg *.jpeg *.gif *.bmp);;All files (*)");
    if (!path.isEmpty())
        SetPictureFile(path);
}

void UserInfoOptionsPage::SetPictureFile(const QString& path)
{
    SetSetting("user_picture_file", path);
    ShowPicture(path);
}

void UserInfoOptionsPage::OnDescriptionChanged()
{
    SetSetting("user_description", description->toPlainText());
}

bool UserInfoOptionsPage::IsReading() const
{
    return preview->IsReading();
}

void UserInfoOptionsPage::ShowPicture(const QString& path)
{
    pictureFile->setText(path.isEmpty() ? QString("No picture") : QDir::toNativeSeparators(path));
    if (path.isEmpty())
        preview->ShowText("No picture");
    else
        preview->ShowRead([path] { return ReadPicture(path, PreviewBox); });
}
