#include "ui/UserInfoForm.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

UserInfoForm::UserInfoForm(const QString& infoUser, QWidget* parent)
    : QWidget(parent)
    , user(infoUser)
    , status(new QLabel)
    , numbers(new QWidget)
    , uploadSlots(new QLabel)
    , queuedUploads(new QLabel)
    , slotFree(new QLabel)
    , picture(new PictureLabel)
    , description(new QLabel)
{
    status->setObjectName("info_status");
    status->setWordWrap(true);
    uploadSlots->setObjectName("info_slots");
    queuedUploads->setObjectName("info_queued");
    slotFree->setObjectName("info_free");
    picture->setObjectName("info_picture");
    description->setObjectName("info_description");
    description->setTextFormat(Qt::RichText);
    description->setWordWrap(true);
    description->setOpenExternalLinks(false);
    description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    description->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* form = new QFormLayout(numbers);
    form->addRow("Upload slots:", uploadSlots);
    form->addRow("Queued uploads:", queuedUploads);
    form->addRow("Free upload slot:", slotFree);
    auto* refresh = new QPushButton("Refresh");
    refresh->setObjectName("refresh_info");
    connect(refresh, &QPushButton::clicked, this, [this] { emit RefreshRequested(user); });

    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(status);
    pageLayout->addWidget(numbers);
    pageLayout->addWidget(picture);
    pageLayout->addWidget(description, 1);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll, 1);
    layout->addWidget(refresh, 0, Qt::AlignLeft);
    ShowNumbers(false);
}

QString UserInfoForm::DescriptionHtml(const QString& text)
{
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return html;
}

void UserInfoForm::ShowNumbers(bool known)
{
    numbers->setVisible(known);
    if (!known) {
        picture->hide();
        description->clear();
        description->hide();
    }
}

void UserInfoForm::ShowRequesting()
{
    ShowMessage("Requesting...");
    requesting = true;
}

void UserInfoForm::ShowMessage(const QString& text)
{
    requesting = false;
    picture->ShowText(QString());
    ShowNumbers(false);
    status->setText(text);
    status->show();
}

void UserInfoForm::ShowInfo(const QString& text, bool hasPicture, const QByteArray& pictureBytes, int slotCount,
                            int queued, bool free)
{
    ShowMessage(QString());
    status->hide();
    ShowNumbers(true);
    uploadSlots->setText(QString::number(slotCount));
    queuedUploads->setText(QString::number(queued));
    slotFree->setText(free ? "Yes" : "No");
    const bool withPicture = hasPicture && !pictureBytes.isEmpty();
    if (!withPicture && text.isEmpty()) {
        description->setText(DescriptionHtml("No user info."));
        description->show();
        return;
    }
    description->setText(DescriptionHtml(text));
    description->setVisible(!text.isEmpty());
    if (!withPicture)
        return;
    picture->ShowRead([pictureBytes] { return UserPicture::Decode(pictureBytes, PictureBox); });
    picture->show();
}
