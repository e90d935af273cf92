#ifndef TRANSFERS_TRANSFERCELLS_H
#define TRANSFERS_TRANSFERCELLS_H

#include "peer/LiveObjects.h"
#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QDateTime>
#include <QtGlobal>

class Type;

// The values a running transfer updates in place on the event-loop thread
// (positions, speeds, times, counters): each lives on the heap, and an item
// whose value is its address names it. Removing the item frees the value,
// whoever removes it, so an entry's cells go with the entry or its teardown.
class TransferCells : public DataHandler
{
public:
    // The transfer types must be declared.
    TransferCells();

    // A new cell holding the value, as an item of the type ("write_position",
    // "read_position", "bytes_since_last_receipt", "bytes_uploaded",
    // "bytes_per_second", "last_receipt_time", "last_speed_measurement_time").
    ItemPtr NewCounter(const char* type, qint64 value);
    ItemPtr NewSpeed(int value);
    ItemPtr NewTime(const char* type, const QDateTime& value);

    // The value an item names, or null when it names none.
    qint64* Counter(ItemPtr item) const { return counters.Find(item); }
    int* Speed(ItemPtr item) const { return speeds.Find(item); }
    QDateTime* Time(ItemPtr item) const { return times.Find(item); }

    std::size_t Count() const { return counters.Size() + speeds.Size() + times.Size(); }

private:
    void OnWritePositionRemoved(ItemPtr item);
    void OnReadPositionRemoved(ItemPtr item);
    void OnLastReceiptTimeRemoved(ItemPtr item);
    void OnLastSpeedMeasurementTimeRemoved(ItemPtr item);
    void OnBytesPerSecondRemoved(ItemPtr item);
    void OnBytesSinceLastReceiptRemoved(ItemPtr item);
    void OnBytesUploadedRemoved(ItemPtr item);
    void Watch(const char* type, void (TransferCells::*handler)(ItemPtr));

    LiveObjects<qint64, true> counters;
    LiveObjects<int, true> speeds;
    LiveObjects<QDateTime, true> times;
};

#endif
