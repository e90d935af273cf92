#include "ui/WindowGeometryProxy.h"

#include <QWidget>

WindowGeometryProxy::WindowGeometryProxy(QWidget* target)
    : ResizableWindow(target)
    , window(target)
{
}

int WindowGeometryProxy::GetX() const
{
    return window->geometry().x();
}

int WindowGeometryProxy::GetY() const
{
    return window->geometry().y();
}

int WindowGeometryProxy::GetWidth() const
{
    return window->width();
}

int WindowGeometryProxy::GetHeight() const
{
    return window->height();
}

void WindowGeometryProxy::SetPosition(int x, int y)
{
    window->setGeometry(QRect(QPoint(x, y), window->size()));
}

void WindowGeometryProxy::SetSize(int width, int height)
{
    window->resize(width, height);
}

void WindowGeometryProxy::ReportResize()
{
    if (IsNormal())
        emit WindowResized(window->width(), window->height());
}

void WindowGeometryProxy::ReportMove()
{
    if (IsNormal())
        emit WindowMoved(window->geometry().x(), window->geometry().y());
}

bool WindowGeometryProxy::IsNormal() const
{
    return !(window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
}
