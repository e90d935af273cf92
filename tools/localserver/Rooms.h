#ifndef LOCALSERVER_ROOMS_H
#define LOCALSERVER_ROOMS_H

#include <QHash>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace localserver {

struct Room
{
    QString name;
    bool isPrivate = false;
    QString owner;                                    // private rooms only
    QStringList members;                              // private rooms: members other than the owner
    QStringList operators;                            // private rooms: members who may add members
    QStringList present;                              // users in the room now, in joining order
    std::vector<std::pair<QString, QString>> tickers; // user and text, in order of setting

    bool IsPresent(const QString& user) const { return present.contains(user); }
    bool MayEnter(const QString& user) const { return !isPrivate || user == owner || members.contains(user); }
    bool IsOperator(const QString& user) const { return operators.contains(user); }
    // Sets or replaces the user's ticker; an empty text removes it.
    void SetTicker(const QString& user, const QString& text);
};

// The rooms that exist: public rooms while someone is in them, private rooms
// until their owner gives them up.
class Rooms
{
public:
    Room* Find(const QString& name);
    Room& Create(const QString& name, bool isPrivate, const QString& owner);
    void Remove(const QString& name);
    // All rooms, by name.
    std::vector<Room*> All() const;

    // A name a room can have: not empty, at most MaxNameLength characters, no
    // space at either end and no control characters.
    static bool IsValidName(const QString& name);
    static constexpr int MaxNameLength = 24;

private:
    std::map<QString, std::unique_ptr<Room>> m_rooms;
};

} // namespace localserver

#endif
