#ifndef UI_EXCLUDEDEXTENSIONSDIALOG_H
#define UI_EXCLUDEDEXTENSIONSDIALOG_H

#include <QDialog>

class QLineEdit;
class QListWidget;

// The endings of file names that are skipped when whole folders are queued
// for download: one "excluded_download_extension" item each. An entered
// ending is added trimmed; "Remove" in the list's context menu removes one.
class ExcludedExtensionsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ExcludedExtensionsDialog(QWidget* parent = nullptr);

    QLineEdit* Entry() const { return entry; }
    QListWidget* List() const { return list; }

public slots:
    // Adds the entered ending; an empty entry adds nothing.
    bool AddEntered();
    void RemoveSelected();

private slots:
    void OnContextMenu(const QPoint& position);

private:
    void Refresh();

    QLineEdit* entry;
    QListWidget* list;
};

#endif
