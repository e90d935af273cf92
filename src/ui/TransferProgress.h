#ifndef UI_TRANSFERPROGRESS_H
#define UI_TRANSFERPROGRESS_H

#include <QString>
#include <QStyledItemDelegate>

// How far a transfer (or a group of them) has come: bytes done of the size,
// at a speed in bytes per second.
struct TransferProgress
{
    qint64 size = 0;
    qint64 done = 0;
    qint64 speed = 0;

    // 0 to 100; an empty file is done at once.
    int Percent() const;
    // At the current speed; -1 when it cannot be told (no speed).
    qint64 SecondsLeft() const;
};

// "1.5 MiB/s"; empty for no speed.
QString SpeedText(qint64 bytesPerSecond);
// "42s", "3:07", "1:02:03"; empty when unknown (negative).
QString TimeLeftText(qint64 seconds);

// The role of a progress cell that holds its percentage (an int; none: no bar).
constexpr int PercentRole = Qt::UserRole + 1;

// Draws the percentage of a progress cell as a bar.
class ProgressBarDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

#endif
