#ifndef UI_WINDOWGEOMETRYPROXY_H
#define UI_WINDOWGEOMETRYPROXY_H

#include "ui/ResizableWindow.h"

class QWidget;

// Reports a top-level window's geometry to SizeManager, except while the
// window is maximised or minimised: those states are not sizes to remember.
// The position is that of the window's inside, without the frame the desktop
// adds: read and set the same way, it comes back exactly where it was (the
// frame's position, set before the desktop has framed the window, comes back
// one frame lower or higher after each restart).
class WindowGeometryProxy : public ResizableWindow
{
    Q_OBJECT
public:
    explicit WindowGeometryProxy(QWidget* window);

    int GetX() const override;
    int GetY() const override;
    int GetWidth() const override;
    int GetHeight() const override;
    void SetPosition(int x, int y) override;
    void SetSize(int width, int height) override;

    // Called by the window's resize and move events.
    void ReportResize();
    void ReportMove();

private:
    bool IsNormal() const;

    QWidget* window;
};

#endif
