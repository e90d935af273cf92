#ifndef UI_DRAWNICON_H
#define UI_DRAWNICON_H

#include <QIcon>
#include <QPainter>

#include <functional>

// An icon drawn by code at the sizes the windows use (16, 22, 32 and 48 pixels): the drawing works on a 16-unit grid
// and is given the size of one unit in pixels.
QIcon DrawnIcon(const std::function<void(QPainter& painter, qreal unit)>& draw);

#endif
