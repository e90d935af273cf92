#ifndef UI_PICTURELABEL_H
#define UI_PICTURELABEL_H

#include "ui/UserPicture.h"

#include <QLabel>

#include <functional>

// A label that shows a picture read off the event loop (reading and scaling a large one takes a while), or why
// there is none. A newer picture or text replaces one still being read, which is then dropped when it comes.
class PictureLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PictureLabel(QWidget* parent = nullptr);

    // Runs the reading on the thread pool; the label says so meanwhile.
    void ShowRead(std::function<UserPicture()> read);
    void ShowText(const QString& text);
    bool IsReading() const { return reading; }

private:
    void OnRead(int token, const UserPicture& read);

    bool reading = false;
    int token = 0;
};

#endif
