#ifndef UI_SEARCHSCOPECHOOSER_H
#define UI_SEARCHSCOPECHOOSER_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QComboBox>

// Where a search goes: "All" (the whole network), "User List" (the users of
// the own user list) or "Room: " and the name of a room the user is in; the
// rooms come and go as they are entered and left.
class SearchScopeChooser : public QComboBox, public DataHandler
{
    Q_OBJECT
public:
    static constexpr const char* All = "All";
    static constexpr const char* UserList = "User List";
    static constexpr const char* RoomPrefix = "Room: ";

    explicit SearchScopeChooser(QWidget* parent = nullptr);
    ~SearchScopeChooser() override;

    // The room a scope names, or an empty text.
    static QString RoomOf(const QString& scope);

private:
    void OnRoomEntered(ItemPtr room);
    void OnRoomLeft(ItemPtr room);
};

#endif
