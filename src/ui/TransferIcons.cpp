#include "ui/TransferIcons.h"

#include "ui/DrawnIcon.h"

#include <QPainterPath>

namespace {
const QColor DownColour(0x2e, 0x9d, 0x47);
const QColor UpColour(0x1e, 0x7b, 0xd6);

// An arrow from x, pointing down or up, between the heights top and bottom.
void Arrow(QPainter& painter, qreal unit, qreal x, qreal top, qreal bottom, bool down, const QColor& colour)
{
    const qreal tip = down ? bottom : top;
    const qreal base = down ? bottom - 4.5 : top + 4.5;
    const qreal tail = down ? top : bottom;
    QPainterPath path;
    path.moveTo((x - 1.6) * unit, tail * unit);
    path.lineTo((x + 1.6) * unit, tail * unit);
    path.lineTo((x + 1.6) * unit, base * unit);
    path.lineTo((x + 3.8) * unit, base * unit);
    path.lineTo(x * unit, tip * unit);
    path.lineTo((x - 3.8) * unit, base * unit);
    path.lineTo((x - 1.6) * unit, base * unit);
    path.closeSubpath();
    painter.setPen(QPen(colour.darker(150), unit));
    painter.setBrush(colour);
    painter.drawPath(path);
}

void Tray(QPainter& painter, qreal unit)
{
    painter.setPen(QPen(QColor(0x60, 0x6b, 0x75), 1.5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath tray;
    tray.moveTo(1.5 * unit, 10.5 * unit);
    tray.lineTo(1.5 * unit, 14.5 * unit);
    tray.lineTo(14.5 * unit, 14.5 * unit);
    tray.lineTo(14.5 * unit, 10.5 * unit);
    painter.drawPath(tray);
}

} // namespace

// Made once and never destroyed: pictures must not outlive the application object.
QIcon DownloadIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        Tray(painter, unit);
        Arrow(painter, unit, 8, 1, 12, true, DownColour);
    }));
    return *icon;
}

QIcon UploadIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        Tray(painter, unit);
        Arrow(painter, unit, 8, 1, 12, false, UpColour);
    }));
    return *icon;
}

QIcon TransfersIcon()
{
    static const QIcon* icon = new QIcon(DrawnIcon([](QPainter& painter, qreal unit) {
        Arrow(painter, unit, 4.5, 1, 15, true, DownColour);
        Arrow(painter, unit, 11.5, 1, 15, false, UpColour);
    }));
    return *icon;
}
