#include "ui/SharesForm.h"

#include "peer/PeerMessenger.h"
#include "shares/SharedFoldersManager.h"
#include "ui/ShareForm.h"
#include "ui/UserInfoForm.h"

#include <QApplication>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <class Form>
Form* FindForm(const QTabWidget* tabs, const QString& user, bool (*fits)(const Form*))
{
    for (int index = 0; index < tabs->count(); ++index) {
        auto* form = qobject_cast<Form*>(tabs->widget(index));
        if (form && form->User() == user && fits(form))
            return form;
    }
    return nullptr;
}

bool IsBrowse(const ShareForm* form)
{
    return form->GetMode() == ShareForm::Mode::Browse;
}

bool IsUpload(const ShareForm* form)
{
    return form->GetMode() == ShareForm::Mode::Upload;
}

bool Any(const UserInfoForm*)
{
    return true;
}

} // namespace

SharesForm::SharesForm(QWidget* parent)
    : QWidget(parent)
    , tabs(new QTabWidget)
{
    tabs->setObjectName("share_tabs");
    tabs->setDocumentMode(true);
    tabs->setTabsClosable(true);
    tabs->setMovable(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs);
    connect(tabs, &QTabWidget::tabCloseRequested, this, [this](int index) { delete tabs->widget(index); });
    if (peerMessenger) {
        connect(peerMessenger, &PeerMessenger::UserShare, this, &SharesForm::OnUserShare);
        connect(peerMessenger, &PeerMessenger::ConnectionToUserFailed, this, &SharesForm::OnConnectionToUserFailed);
        connect(peerMessenger, &PeerMessenger::UserInfoReceived, this, &SharesForm::OnUserInfoReceived);
    }
}

void SharesForm::AddTab(QWidget* page, const QIcon& icon, const QString& title)
{
    tabs->setCurrentIndex(tabs->addTab(page, icon, title));
}

ShareForm* SharesForm::FindShareBrowse(const QString& user) const
{
    return FindForm<ShareForm>(tabs, user, IsBrowse);
}

ShareForm* SharesForm::FindUploadBrowse(const QString& user) const
{
    return FindForm<ShareForm>(tabs, user, IsUpload);
}

UserInfoForm* SharesForm::FindUserInfo(const QString& user) const
{
    return FindForm<UserInfoForm>(tabs, user, Any);
}

ShareForm* SharesForm::OpenShareBrowse(const QString& user, const QString& folder)
{
    ShareForm* form = FindShareBrowse(user);
    if (form) {
        tabs->setCurrentWidget(form);
    } else {
        form = new ShareForm(user, ShareForm::Mode::Browse);
        connect(form, &ShareForm::RefreshRequested, this, &SharesForm::RequestShare);
        AddTab(form, QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon), user);
        RequestShare(user);
    }
    if (!folder.isEmpty())
        form->SelectFolder(folder);
    return form;
}

void SharesForm::RequestShare(const QString& user)
{
    ShareForm* form = FindShareBrowse(user);
    if (!form)
        return;
    form->ShowRequesting();
    if (peerMessenger)
        peerMessenger->GetUserSharedFiles(user);
}

ShareForm* SharesForm::OpenUploadBrowse(const QString& user)
{
    ShareForm* form = FindUploadBrowse(user);
    if (form) {
        tabs->setCurrentWidget(form);
        return form;
    }
    form = new ShareForm(user, ShareForm::Mode::Upload);
    AddTab(form, QApplication::style()->standardIcon(QStyle::SP_ArrowUp), "Upload to " + user);
    FileInfoMap share;
    AttributeTranslationTable attributes;
    if (sharedFoldersManager)
        sharedFoldersManager->GetSharedFilesAsUserShare(user, share, attributes);
    form->ShowListing(share);
    return form;
}

UserInfoForm* SharesForm::OpenUserInfo(const QString& user)
{
    UserInfoForm* form = FindUserInfo(user);
    if (form) {
        tabs->setCurrentWidget(form);
        return form;
    }
    form = new UserInfoForm(user);
    connect(form, &UserInfoForm::RefreshRequested, this, &SharesForm::RequestUserInfo);
    AddTab(form, QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation), user + " (info)");
    RequestUserInfo(user);
    return form;
}

void SharesForm::RequestUserInfo(const QString& user)
{
    UserInfoForm* form = FindUserInfo(user);
    if (!form)
        return;
    form->ShowRequesting();
    if (peerMessenger)
        peerMessenger->GetUserInfo(user);
}

void SharesForm::OnUserShare(QString user, const FileInfoMap& share, const AttributeTranslationTable&)
{
    ShareForm* form = FindShareBrowse(user);
    if (form && form->IsRequesting())
        form->ShowListing(share);
}

void SharesForm::OnConnectionToUserFailed(QString user, QString type)
{
    if (type != QLatin1String("P"))
        return;
    ShareForm* browse = FindShareBrowse(user);
    if (browse && browse->IsRequesting())
        browse->ShowMessage(ShareForm::ConnectionFailedText());
    UserInfoForm* info = FindUserInfo(user);
    if (info && info->IsRequesting())
        info->ShowMessage(ShareForm::ConnectionFailedText());
}

void SharesForm::OnUserInfoReceived(QString user, QString description, bool hasPicture, QByteArray picture,
                                    int uploadSlots, int queuedUploads, bool slotsFree)
{
    UserInfoForm* form = FindUserInfo(user);
    if (form && form->IsRequesting())
        form->ShowInfo(description, hasPicture, picture, uploadSlots, queuedUploads, slotsFree);
}
