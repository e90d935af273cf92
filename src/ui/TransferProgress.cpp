#include "ui/TransferProgress.h"

#include "ui/SizeText.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

#include <algorithm>

int TransferProgress::Percent() const
{
    if (size <= 0)
        return 100;
    const qint64 clamped = std::clamp<qint64>(done, 0, size);
    // Whole percents, and 100 only when every byte is there.
    return clamped == size ? 100 : int(std::min<qint64>(99, clamped * 100 / size));
}

qint64 TransferProgress::SecondsLeft() const
{
    if (speed <= 0)
        return -1;
    const qint64 left = std::max<qint64>(0, size - done);
    return (left + speed - 1) / speed;
}

QString SpeedText(qint64 bytesPerSecond)
{
    return bytesPerSecond > 0 ? HumanSize(quint64(bytesPerSecond)) + "/s" : QString();
}

QString TimeLeftText(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    if (seconds < 60)
        return QString("%1s").arg(seconds);
    const qint64 minutes = seconds / 60;
    if (minutes < 60)
        return QString("%1:%2").arg(minutes).arg(seconds % 60, 2, 10, QChar('0'));
    return QString("%1:%2:%3")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'));
}

void ProgressBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant percent = index.data(PercentRole);
    if (!percent.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The selection shows behind the bar.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = percent.toInt();
    bar.text = QString("%1%").arg(bar.progress);
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state = option.state | QStyle::State_Horizontal;
    bar.palette = option.palette;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}
