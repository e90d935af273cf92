#include "ui/ChatIcons.h"

#include "ui/ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int Sizes[] = {16, 22, 32, 48};

// A speech bubble of the colour, with a second one behind it for rooms.
QPixmap Bubble(int size, const QColor& colour, bool crowd)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    auto drawBubble = [&](qreal x, qreal y, qreal w, qreal h, const QColor& fill) {
        QPainterPath path;
        path.addRoundedRect(QRectF(x, y, w, h), 3 * unit, 3 * unit);
        QPainterPath tail;
        tail.moveTo(x + 3 * unit, y + h - unit);
        tail.lineTo(x + 2 * unit, y + h + 3 * unit);
        tail.lineTo(x + 7 * unit, y + h - unit);
        tail.closeSubpath();
        painter.setPen(QPen(fill.darker(160), unit));
        painter.setBrush(fill);
        painter.drawPath(path.united(tail));
    };
    if (crowd)
        drawBubble(5 * unit, 1 * unit, 10 * unit, 7 * unit, colour.lighter(140));
    drawBubble(1 * unit, crowd ? 5 * unit : 2 * unit, crowd ? 11 * unit : 14 * unit, crowd ? 7 * unit : 9 * unit,
               colour);
    return pixmap;
}

QIcon BubbleIcon(const QColor& colour, bool crowd)
{
    QIcon icon;
    for (int size : Sizes)
        icon.addPixmap(Bubble(size, colour, crowd));
    return icon;
}

QPixmap Marked(const QPixmap& base, const QColor& mark)
{
    QPixmap pixmap = base;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal diameter = pixmap.width() * 0.45;
    painter.setPen(QPen(Qt::black, qMax(1.0, pixmap.width() / 24.0)));
    painter.setBrush(mark);
    painter.drawEllipse(QRectF(pixmap.width() - diameter - 1, pixmap.height() - diameter - 1, diameter, diameter));
    return pixmap;
}

} // namespace

// Made once, so that every event of a kind shows the same icon; never
// destroyed, since pictures must not outlive the application object.
QIcon ChatIcon()
{
    static const QIcon* icon = new QIcon(BubbleIcon(QColor(0x3d, 0x8b, 0xe0), false));
    return *icon;
}

QIcon RoomIcon()
{
    static const QIcon* icon = new QIcon(BubbleIcon(QColor(0x4c, 0xaf, 0x50), true));
    return *icon;
}

QIcon ApplicationIcon(PresenceIcon presence)
{
    const QIcon base = ApplicationIcon();
    if (presence == PresenceIcon::Online)
        return base;
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        const QPixmap pixmap = base.pixmap(size, size);
        if (presence == PresenceIcon::Away)
            icon.addPixmap(Marked(pixmap, QColor(0xf5, 0xb8, 0x00)));
        else
            icon.addPixmap(base.pixmap(size, size, QIcon::Disabled));
    }
    return icon;
}
