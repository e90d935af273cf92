#include "ui/UserIcons.h"

#include "ui/DrawnIcon.h"

namespace {
// A head and shoulders in the colour of the presence.
QIcon Person(const QColor& colour)
{
    return DrawnIcon([colour](QPainter& painter, qreal unit) {
        painter.setPen(QPen(colour.darker(170), unit));
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(8 * unit, 5 * unit), 3.2 * unit, 3.2 * unit);
        painter.drawRoundedRect(QRectF(2.5 * unit, 9 * unit, 11 * unit, 6 * unit), 3 * unit, 3 * unit);
    });
}

} // namespace

// Made once and never destroyed: pictures must not outlive the application object.
QIcon UserOnlineIcon()
{
    static const QIcon* icon = new QIcon(Person(QColor(0x43, 0xa0, 0x47)));
    return *icon;
}

QIcon UserAwayIcon()
{
    static const QIcon* icon = new QIcon(Person(QColor(0xf5, 0xb8, 0x00)));
    return *icon;
}

QIcon UserOfflineIcon()
{
    static const QIcon* icon = new QIcon(Person(QColor(0xb0, 0xb0, 0xb0)));
    return *icon;
}

QIcon UserNoteIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        painter.setPen(QPen(QColor(0x8d, 0x6e, 0x00), unit));
        painter.setBrush(QColor(0xff, 0xf1, 0x76));
        painter.drawRect(QRectF(2.5 * unit, 1.5 * unit, 11 * unit, 13 * unit));
        painter.setPen(QPen(QColor(0x6d, 0x55, 0x00), unit));
        for (int line = 0; line < 4; ++line)
            painter.drawLine(QPointF(4.5 * unit, (4.5 + 2.6 * line) * unit),
                             QPointF(11.5 * unit, (4.5 + 2.6 * line) * unit));
    }));
    return *icon;
}

QIcon UserStatusIcon(ItemPtr user)
{
    if (!user.IsConnected("is_online"))
        return UserOfflineIcon();
    return user.IsConnected("is_away") ? UserAwayIcon() : UserOnlineIcon();
}

QString UserStatusText(ItemPtr user)
{
    if (!user.IsConnected("is_online"))
        return "Offline";
    return user.IsConnected("is_away") ? "Away" : "Online";
}
