#include "ui/SearchIcons.h"

#include "ui/DrawnIcon.h"

#include <QPainterPath>

#include <cmath>

// Made once and never destroyed: pictures must not outlive the application object.
QIcon SearchIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        const QColor lens(0x3d, 0x8b, 0xe0);
        painter.setPen(QPen(QColor(0x5d, 0x40, 0x37), 2.5 * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(9.5 * unit, 9.5 * unit), QPointF(14.5 * unit, 14.5 * unit));
        painter.setPen(QPen(lens.darker(150), 1.5 * unit));
        painter.setBrush(lens.lighter(170));
        painter.drawEllipse(QPointF(6.5 * unit, 6.5 * unit), 5 * unit, 5 * unit);
    }));
    return *icon;
}

QIcon UserListIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        auto person = [&](qreal x, const QColor& colour) {
            painter.setPen(QPen(colour.darker(160), unit));
            painter.setBrush(colour);
            painter.drawEllipse(QPointF(x, 4.5 * unit), 2.5 * unit, 2.5 * unit);
            painter.drawRoundedRect(QRectF(x - 4 * unit, 8 * unit, 8 * unit, 7 * unit), 3 * unit, 3 * unit);
        };
        person(10.5 * unit, QColor(0x8e, 0x9e, 0xab));
        person(5.5 * unit, QColor(0xff, 0x98, 0x00));
    }));
    return *icon;
}

QIcon WishListIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        QPainterPath star;
        for (int point = 0; point < 10; ++point) {
            const qreal radius = (point % 2 == 0 ? 7.5 : 3.2) * unit;
            const qreal angle = M_PI / 5 * point - M_PI / 2;
            const QPointF corner(8 * unit + radius * std::cos(angle), 8.5 * unit + radius * std::sin(angle));
            if (point == 0)
                star.moveTo(corner);
            else
                star.lineTo(corner);
        }
        star.closeSubpath();
        const QColor gold(0xff, 0xc1, 0x07);
        painter.setPen(QPen(gold.darker(170), unit));
        painter.setBrush(gold);
        painter.drawPath(star);
    }));
    return *icon;
}
