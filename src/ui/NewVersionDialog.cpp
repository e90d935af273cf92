#include "ui/NewVersionDialog.h"

#include "app/ProgramVersion.h"
#include "app/Settings.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// Text from the version file is shown as it is, never as markup.
QLabel* PlainLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

NewVersionDialog::NewVersionDialog(qint64 newBuild, const QString& address, const QStringList& notes, QWidget* parent)
    : QDialog(parent)
    , build(newBuild)
    , downloadAddress(address)
{
    setWindowTitle("QuillmerQt Update");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PlainLabel("A new version of Quillmer is available."));
    QLabel* current = PlainLabel("Your version: " + BuildText(ProgramVersion));
    current->setObjectName("current_build");
    layout->addWidget(current);
    QLabel* offered = PlainLabel("New version: " + BuildText(build));
    offered->setObjectName("new_build");
    layout->addWidget(offered);
    if (!notes.isEmpty()) {
        layout->addWidget(PlainLabel("What is new:"));
        auto* notesView = new QPlainTextEdit(notes.join('\n'));
        notesView->setObjectName("release_notes");
        notesView->setReadOnly(true);
        layout->addWidget(notesView);
    }

    auto* buttons = new QDialogButtonBox;
    QPushButton* download = buttons->addButton("Download", QDialogButtonBox::AcceptRole);
    download->setObjectName("download");
    download->setToolTip(downloadAddress);
    QPushButton* skip = buttons->addButton("Skip This Version", QDialogButtonBox::DestructiveRole);
    skip->setObjectName("skip");
    QPushButton* later = buttons->addButton("Later", QDialogButtonBox::RejectRole);
    later->setObjectName("later");
    layout->addWidget(buttons);
    connect(download, &QPushButton::clicked, this, &NewVersionDialog::OnDownloadClicked);
    connect(skip, &QPushButton::clicked, this, &NewVersionDialog::OnSkipClicked);
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
}

QString NewVersionDialog::BuildText(qint64 buildNumber)
{
    return "Build " + VersionDateText(buildNumber);
}

void NewVersionDialog::OnDownloadClicked()
{
    QDesktopServices::openUrl(QUrl(downloadAddress));
    accept();
}

void NewVersionDialog::OnSkipClicked()
{
    SetSetting("skip_version", QString::number(build));
    accept();
}
