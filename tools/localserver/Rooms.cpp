#include "Rooms.h"

#include "Accounts.h"

#include <algorithm>

namespace localserver {

void Room::SetTicker(const QString& user, const QString& text)
{
    tickers.erase(
        std::remove_if(tickers.begin(), tickers.end(), [&](const auto& ticker) { return ticker.first == user; }),
        tickers.end());
    if (!text.isEmpty())
        tickers.emplace_back(user, text);
}

Room* Rooms::Find(const QString& name)
{
    const auto room = m_rooms.find(name);
    return room == m_rooms.end() ? nullptr : room->second.get();
}

Room& Rooms::Create(const QString& name, bool isPrivate, const QString& owner)
{
    auto room = std::make_unique<Room>();
    room->name = name;
    room->isPrivate = isPrivate;
    if (isPrivate)
        room->owner = owner;
    Room& created = *room;
    m_rooms[name] = std::move(room);
    return created;
}

void Rooms::Remove(const QString& name)
{
    m_rooms.erase(name);
}

std::vector<Room*> Rooms::All() const
{
    std::vector<Room*> rooms;
    for (const auto& room : m_rooms)
        rooms.push_back(room.second.get());
    return rooms;
}

bool Rooms::IsValidName(const QString& name)
{
    return name.size() <= MaxNameLength && Accounts::IsValidName(name);
}

} // namespace localserver
