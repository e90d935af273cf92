#include "ui/ExcludedExtensionsDialog.h"

#include "store/Data.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const ExtensionType = "excluded_download_extension";
} // namespace

ExcludedExtensionsDialog::ExcludedExtensionsDialog(QWidget* parent)
    : QDialog(parent)
    , entry(new QLineEdit)
    , list(new QListWidget)
{
    setWindowTitle("Excluded Download Extensions");
    entry->setObjectName("extension_entry");
    entry->setPlaceholderText("for example .ini");
    list->setObjectName("extensions");
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* note = new QLabel("Files whose names end with one of these, in any case, are skipped when a whole "
                            "folder is queued for download. Right-click an entry to remove it.");
    note->setWordWrap(true);
    auto* add = new QPushButton("Add");
    add->setObjectName("add_extension");
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(entry, 1);
    addRow->addWidget(add);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(addRow);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);

    connect(add, &QPushButton::clicked, this, &ExcludedExtensionsDialog::AddEntered);
    // Enter adds rather than closing the dialog.
    add->setDefault(true);
    connect(list, &QListWidget::customContextMenuRequested, this, &ExcludedExtensionsDialog::OnContextMenu);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExcludedExtensionsDialog::reject);
    Refresh();
}

bool ExcludedExtensionsDialog::AddEntered()
{
    const QString extension = entry->text().trimmed();
    if (extension.isEmpty())
        return false;
    d.GetType(ExtensionType)->GetItem(Value(extension));
    entry->clear();
    Refresh();
    return true;
}

void ExcludedExtensionsDialog::RemoveSelected()
{
    Type* extensions = d.GetType(ExtensionType);
    for (const QListWidgetItem* row : list->selectedItems())
        if (const ItemPtr extension = extensions->HasItem(Value(row->text())))
            extension.Remove();
    Refresh();
}

void ExcludedExtensionsDialog::OnContextMenu(const QPoint& position)
{
    if (list->selectedItems().isEmpty())
        return;
    QMenu menu(this);
    menu.addAction("Remove", this, &ExcludedExtensionsDialog::RemoveSelected);
    menu.exec(list->viewport()->mapToGlobal(position));
}

void ExcludedExtensionsDialog::Refresh()
{
    list->clear();
    for (ItemPtr extension : g(ExtensionType).SortAlphabetic(true))
        list->addItem(extension.AsString());
}
