#ifndef UI_ROOMWALLFORM_H
#define UI_ROOMWALLFORM_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QWidget>

class QLineEdit;
class QTextBrowser;

// The wall of a room: the tickers its users have set, newest first, and an
// entry to set the own one. A window of its own, tied to the room by its
// "room_wall_form".
class RoomWallForm : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    static void DeclareTypes();
    // Brings up the wall of the room, opening it when needed.
    static RoomWallForm* Open(ItemPtr room, QWidget* owningWindow);

    ~RoomWallForm() override;

    QTextBrowser* View() const { return view; }
    QLineEdit* Input() const { return input; }

public slots:
    void UpdateText();

private slots:
    void OnReturnPressed();

private:
    RoomWallForm(ItemPtr room, QWidget* owningWindow);
    void OnTickersChanged(ItemPtr room);

    ItemPtr room;
    QTextBrowser* view;
    QLineEdit* input;
    bool updatePending = false;
};

#endif
