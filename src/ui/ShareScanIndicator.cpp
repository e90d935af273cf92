#include "ui/ShareScanIndicator.h"

#include "shares/SharedFoldersManager.h"
#include "store/Data.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>

ShareScanIndicator::ShareScanIndicator(QWidget* parent)
    : QWidget(parent)
    , text(new QLabel)
    , bar(new QProgressBar)
{
    text->setObjectName("scan_text");
    // No steps are known ahead of a walk: the bar only shows that work goes on.
    bar->setRange(0, 0);
    bar->setMaximumSize(80, 14);
    bar->setTextVisible(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(text);
    refresh.setInterval(RefreshMs);
    connect(&refresh, &QTimer::timeout, this, &ShareScanIndicator::OnRefresh);
    const bool scanning = sharedFoldersManager && sharedFoldersManager->IsScanning();
    if (sharedFoldersManager)
        connect(sharedFoldersManager, &SharedFoldersManager::ScanningChanged, this,
                &ShareScanIndicator::OnScanningChanged);
    // Not shown here: without a parent yet it would open as a window of its
    // own; the layout it joins shows it.
    if (!scanning)
        hide();
    Follow(scanning);
}

void ShareScanIndicator::OnScanningChanged(bool scanning)
{
    setVisible(scanning);
    Follow(scanning);
}

void ShareScanIndicator::Follow(bool scanning)
{
    if (scanning) {
        OnRefresh();
        refresh.start();
    } else {
        refresh.stop();
    }
}

void ShareScanIndicator::OnRefresh()
{
    const Type* files = d.HasType("shared_file");
    const qint64 count = files ? qint64(files->ItemCount()) : 0;
    text->setText(QString("Scanning shared folders: %1 files indexed").arg(QLocale().toString(count)));
}
