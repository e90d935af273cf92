#ifndef UI_TRANSFERGROUPSTATUS_H
#define UI_TRANSFERGROUPSTATUS_H

#include <QColor>
#include <QString>

// The one status word that sums up a group of transfers (a user's or a
// folder's), from the words of the entries under it: a running transfer
// first, then a queued one; all complete gives "complete"; then a refusal,
// then a failure; anything else leaves the group without a word.
class TransferGroupStatus
{
public:
    // Uploads run as "uploading", downloads as "downloading".
    explicit TransferGroupStatus(bool uploads);

    void Add(const QString& word);
    QString Word() const;

private:
    bool uploads;
    int count = 0;
    int complete = 0;
    bool running = false;
    bool queued = false;
    bool denied = false;
    bool aborted = false;
};

// The colour of a row with that status word, from the transfer colour
// settings; invalid when the setting holds no colour.
QColor TransferStatusColour(const QString& word);

#endif
