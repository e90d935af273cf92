#ifndef TRANSFERS_UPLOADORDER_H
#define TRANSFERS_UPLOADORDER_H

#include "store/Events.h"
#include "store/ItemPtr.h"

// The order of the upload queue: users of higher group priority first, then
// privileged users, then arrival. Each entry's position is its
// "effective_upload_order". A new entry that goes last, the common case, costs
// one comparison with the entry last in order, which is kept at hand.
class UploadOrder : public DataHandler
{
public:
    // The upload types must be declared.
    UploadOrder();

    // Whether entry a goes before entry b.
    static bool UploadEntrySortCompare(ItemPtr a, ItemPtr b);
    // Gives a new entry its position.
    void OrderNewUpload(ItemPtr entry);

    static int Position(ItemPtr entry);
    static void SetPosition(ItemPtr entry, int position);

private:
    void OnUploadEntryRemoved(ItemPtr entry);

    ItemPtr last;
};

#endif
