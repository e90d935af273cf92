#ifndef UI_NEWVERSIONDIALOG_H
#define UI_NEWVERSIONDIALOG_H

#include <QDialog>
#include <QString>
#include <QStringList>

// Tells of a newer build: the dates of this build and of the new one, the
// release notes, and buttons to download it in the web browser or to skip
// it (the setting skip_version, so that only a later build is offered again).
class NewVersionDialog : public QDialog
{
    Q_OBJECT
public:
    NewVersionDialog(qint64 build, const QString& downloadAddress, const QStringList& notes, QWidget* parent = nullptr);

    // "Build M/D/YYYY" for a build number YYYYMMDD.
    static QString BuildText(qint64 build);

private slots:
    void OnDownloadClicked();
    void OnSkipClicked();

private:
    qint64 build;
    QString downloadAddress;
};

#endif
