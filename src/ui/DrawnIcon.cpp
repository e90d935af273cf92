#include "ui/DrawnIcon.h"

#include <QPixmap>

QIcon DrawnIcon(const std::function<void(QPainter& painter, qreal unit)>& draw)
{
    QIcon icon;
    for (int size : {16, 22, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, size / 16.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}
