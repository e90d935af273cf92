#ifndef UI_TRANSFERSFORM_H
#define UI_TRANSFERSFORM_H

#include <QWidget>

class CompleteDownloadsView;
class DownloadsView;
class QTabWidget;
class UploadsView;

// The "Transfers" tab: the downloads, the uploads and the downloads completed
// during this run, each in a tab of its own.
class TransfersForm : public QWidget
{
    Q_OBJECT
public:
    // Declares the types of the transfer lists; the transfers' own must exist.
    static void DeclareTypes();

    // The transfer queue must exist.
    explicit TransfersForm(QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs; }
    DownloadsView* Downloads() const { return downloads; }
    UploadsView* Uploads() const { return uploads; }
    CompleteDownloadsView* History() const { return history; }

private:
    QTabWidget* tabs;
    DownloadsView* downloads;
    UploadsView* uploads;
    CompleteDownloadsView* history;
};

#endif
