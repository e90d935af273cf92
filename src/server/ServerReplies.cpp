#include "server/ServerReplies.h"

#include "server/ServerList.h"

bool LoginReply::Read(InputStream& in)
{
    if (!in.Read(success))
        return false;
    if (!success)
        return in.Read(reason);
    // Three fields the client has no use for precede the privileges flag.
    QString unusedText;
    uint32_t unusedNumber = 0;
    QString unusedText2;
    return in.Read(unusedText) && in.Read(unusedNumber) && in.Read(unusedText2) && in.Read(hasPrivileges);
}

bool PeerAddressReply::Read(InputStream& in)
{
    return in.Read(user) && in.Read(address) && in.Read(port) && in.Read(obfuscationType) && in.Read(obfuscatedPort);
}

bool AddUserReply::Read(InputStream& in)
{
    if (!in.Read(user) || !in.Read(exists))
        return false;
    if (!exists)
        return true;
    if (!in.Read(status) || !in.Read(stats))
        return false;
    return status <= 0 || in.Read(countryCode);
}

bool UserStatusReply::Read(InputStream& in)
{
    return in.Read(user) && in.Read(status) && in.Read(privileged);
}

bool RoomUserTextReply::Read(InputStream& in)
{
    return in.Read(room) && in.Read(user) && in.Read(text);
}

bool JoinRoomReply::Read(InputStream& in)
{
    if (!in.Read(room) || !ReadServerList(in, users) || !ReadServerList(in, statuses) || !ReadServerList(in, stats)
        || !ReadServerList(in, unused) || !ReadServerList(in, countryCodes))
        return false;
    // Public rooms end here; private ones go on with the owner.
    hasOwner = in.Read(owner);
    return !hasOwner || ReadServerList(in, operators);
}

bool UserJoinedRoomReply::Read(InputStream& in)
{
    return in.Read(room) && in.Read(user) && in.Read(status) && in.Read(stats) && in.Read(unused)
        && in.Read(countryCode);
}

bool RoomUserReply::Read(InputStream& in)
{
    return in.Read(room) && in.Read(user);
}

bool ConnectToPeerReply::Read(InputStream& in)
{
    if (!(in.Read(user) && in.Read(connectionType) && in.Read(address) && in.Read(port) && in.Read(token)
          && in.Read(privileged) && in.Read(obfuscationType)))
        return false;
    return obfuscationType != 1 || in.Read(obfuscatedPort);
}

bool PrivateMessageReply::Read(InputStream& in)
{
    return in.Read(messageId) && in.Read(timeStamp) && in.Read(user) && in.Read(message) && in.Read(flag);
}

bool FileSearchReply::Read(InputStream& in)
{
    return in.Read(user) && in.Read(token) && in.Read(text);
}

bool UserStatsReply::Read(InputStream& in)
{
    return in.Read(user) && in.Read(stats);
}

bool RoomListReply::Read(InputStream& in)
{
    return ReadServerList(in, publicRooms) && ReadServerList(in, publicCounts) && ReadServerList(in, ownedRooms)
        && ReadServerList(in, ownedCounts) && ReadServerList(in, memberRooms) && ReadServerList(in, memberCounts)
        && ReadServerList(in, operatorRooms);
}

bool UserListReply::Read(InputStream& in)
{
    return ReadServerList(in, users);
}

bool PossibleParentsReply::Read(InputStream& in)
{
    return ReadServerList(in, parents, [&in](std::pair<QString, TCPAddress>& parent) {
        return in.Read(parent.first) && in.Read(parent.second.address) && in.Read(parent.second.port);
    });
}

bool RoomTickersReply::Read(InputStream& in)
{
    return in.Read(room) && ReadServerList(in, tickers, [&in](std::pair<QString, QString>& ticker) {
               return in.Read(ticker.first) && in.Read(ticker.second);
           });
}

bool RoomUsersReply::Read(InputStream& in)
{
    return in.Read(room) && ReadServerList(in, users);
}

bool SearchCorrelationsReply::Read(InputStream& in)
{
    return in.Read(term) && ReadServerList(in, correlations, [&in](std::pair<QString, int32_t>& correlation) {
               return in.Read(correlation.first) && in.Read(correlation.second);
           });
}
