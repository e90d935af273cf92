#ifndef UI_RESIZABLEWINDOW_H
#define UI_RESIZABLEWINDOW_H

#include <QObject>

// What SizeManager needs of a window whose position and size it remembers:
// read and set them, and hear when the user changes them.
class ResizableWindow : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int GetX() const = 0;
    virtual int GetY() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetPosition(int x, int y) = 0;
    virtual void SetSize(int width, int height) = 0;

signals:
    void WindowResized(int width, int height);
    void WindowMoved(int x, int y);
};

#endif
