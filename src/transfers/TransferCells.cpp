#include "transfers/TransferCells.h"

#include "store/Data.h"

TransferCells::TransferCells()
{
    Watch("write_position", &TransferCells::OnWritePositionRemoved);
    Watch("read_position", &TransferCells::OnReadPositionRemoved);
    Watch("last_receipt_time", &TransferCells::OnLastReceiptTimeRemoved);
    Watch("last_speed_measurement_time", &TransferCells::OnLastSpeedMeasurementTimeRemoved);
    Watch("bytes_per_second", &TransferCells::OnBytesPerSecondRemoved);
    Watch("bytes_since_last_receipt", &TransferCells::OnBytesSinceLastReceiptRemoved);
    Watch("bytes_uploaded", &TransferCells::OnBytesUploadedRemoved);
}

void TransferCells::Watch(const char* type, void (TransferCells::*handler)(ItemPtr))
{
    d.GetType(type)->itemRemoved.Add(AddDataHandler(new EventHandler<TransferCells, ItemPtr>(this, handler)));
}

ItemPtr TransferCells::NewCounter(const char* type, qint64 value)
{
    return d.GetType(type)->NewItem(counters.Add(new qint64(value)));
}

ItemPtr TransferCells::NewSpeed(int value)
{
    return d.GetType("bytes_per_second")->NewItem(speeds.Add(new int(value)));
}

ItemPtr TransferCells::NewTime(const char* type, const QDateTime& value)
{
    return d.GetType(type)->NewItem(times.Add(new QDateTime(value)));
}

void TransferCells::OnWritePositionRemoved(ItemPtr item)
{
    counters.Remove(item.GetValue());
}

void TransferCells::OnReadPositionRemoved(ItemPtr item)
{
    counters.Remove(item.GetValue());
}

void TransferCells::OnLastReceiptTimeRemoved(ItemPtr item)
{
    times.Remove(item.GetValue());
}

void TransferCells::OnLastSpeedMeasurementTimeRemoved(ItemPtr item)
{
    times.Remove(item.GetValue());
}

void TransferCells::OnBytesPerSecondRemoved(ItemPtr item)
{
    speeds.Remove(item.GetValue());
}

void TransferCells::OnBytesSinceLastReceiptRemoved(ItemPtr item)
{
    counters.Remove(item.GetValue());
}

void TransferCells::OnBytesUploadedRemoved(ItemPtr item)
{
    counters.Remove(item.GetValue());
}
