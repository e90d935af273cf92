#include "ui/TransfersForm.h"

#include "ui/CompleteDownloadsView.h"
#include "ui/DownloadsView.h"
#include "ui/TransferIcons.h"
#include "ui/TransferTree.h"
#include "ui/UploadsView.h"

#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

void TransfersForm::DeclareTypes()
{
    TransferTree::DeclareTypes();
}

TransfersForm::TransfersForm(QWidget* parent)
    : QWidget(parent)
    , tabs(new QTabWidget)
    , downloads(new DownloadsView)
    , uploads(new UploadsView)
    , history(new CompleteDownloadsView)
{
    tabs->setObjectName("transfer_tabs");
    tabs->setDocumentMode(true);
    tabs->addTab(downloads, DownloadIcon(), "Downloads");
    tabs->addTab(uploads, UploadIcon(), "Uploads");
    tabs->addTab(history, style()->standardIcon(QStyle::SP_DialogApplyButton), "Complete Downloads");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs);
}
