#ifndef UI_TRANSFERBATCH_H
#define UI_TRANSFERBATCH_H

#include <QObject>
#include <QString>
#include <QTimer>

#include <string>
#include <vector>

// Files chosen in a window to be fetched from one user, or sent to one user,
// handed to the transfer queue a slice at a time, so that a folder of many
// thousand files never holds the event loop up. The batch holds values only:
// the window and the items the files were chosen from may go meanwhile.
class TransferBatch : public QObject
{
    Q_OBJECT
public:
    // A file as the other user names it: its folder (backslashes), its name,
    // and below the folder that was chosen how many levels deep it lies.
    struct File
    {
        std::string folder;
        std::string name;
        qint64 size = 0;
        int subfolderLevel = 0;
    };

    enum class Kind
    {
        // Files chosen one by one: each goes straight into the downloads folder's own folder.
        Files,
        // A folder (with its subfolders): files of an excluded extension are left out.
        Folder,
        // Own files offered to the user.
        Upload,
    };

    struct Summary
    {
        int queued = 0;
        int skipped = 0; // left out for their extension
    };

    static constexpr int FilesPerSlice = 500;

    // Queues the first slice at once and the rest from the event loop; the
    // batch deletes itself when done (or when the transfer queue goes).
    // Downloads found by a search remember its text, so that it can be run again.
    static Summary Start(Kind kind, const QString& user, std::vector<File> files,
                         const QString& searchText = QString());

    // What a window says after starting a batch: "3 files queued for download
    // from alice; 1 left out (excluded extension)."
    static QString Describe(Kind kind, const QString& user, const Summary& summary);

private:
    TransferBatch(Kind kind, const QString& user, std::vector<File> files, const QString& searchText);
    void QueueSlice();

    const Kind kind;
    const QString user;
    const std::vector<File> files;
    const QString searchText;
    std::size_t next = 0;
    QTimer slice;
};

#endif
