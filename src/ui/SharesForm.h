#ifndef UI_SHARESFORM_H
#define UI_SHARESFORM_H

#include "shares/FileInfo.h"

#include <QWidget>

class QTabWidget;
class ShareForm;
class UserInfoForm;

// The "Browse" tab: a tab per browsed user's share, per own share shown to
// upload to a user ("Upload to " + user) and per user's information. Listings
// and information are asked of the peer when a tab opens and shown when they
// come; a listing nobody's tab waits for is not shown.
class SharesForm : public QWidget
{
    Q_OBJECT
public:
    explicit SharesForm(QWidget* parent = nullptr);

    // Opens (or brings to the front) the user's share browser, requesting the
    // listing when the tab is new; a folder given is selected once shown.
    ShareForm* OpenShareBrowse(const QString& user, const QString& folder = QString());
    ShareForm* OpenUploadBrowse(const QString& user);
    UserInfoForm* OpenUserInfo(const QString& user);

    ShareForm* FindShareBrowse(const QString& user) const;
    ShareForm* FindUploadBrowse(const QString& user) const;
    UserInfoForm* FindUserInfo(const QString& user) const;
    QTabWidget* Tabs() const { return tabs; }

public slots:
    void OnUserShare(QString user, const FileInfoMap& share, const AttributeTranslationTable& attributes);
    void OnConnectionToUserFailed(QString user, QString type);
    void OnUserInfoReceived(QString user, QString description, bool hasPicture, QByteArray picture, int uploadSlots,
                            int queuedUploads, bool slotsFree);
    void RequestShare(const QString& user);
    void RequestUserInfo(const QString& user);

private:
    void AddTab(QWidget* page, const QIcon& icon, const QString& title);

    QTabWidget* tabs;
};

#endif
