#ifndef LOCALSERVER_SERVERCODES_H
#define LOCALSERVER_SERVERCODES_H

#include <QString>

namespace localserver {

// The server message codes that this server reads or writes.
enum ServerCode : quint32 {
    Login = 1,
    SetWaitPort = 2,
    GetPeerAddress = 3,
    AddUser = 5,
    RemoveUser = 6,
    GetUserStatus = 7,
    SayChatroom = 13,
    JoinRoom = 14,
    LeaveRoom = 15,
    UserJoinedRoom = 16,
    UserLeftRoom = 17,
    ConnectToPeer = 18,
    MessageUser = 22,
    MessageAcked = 23,
    FileSearch = 26,
    SetStatus = 28,
    Heartbeat = 32,
    SharedFoldersFiles = 35,
    GetUserStats = 36,
    Relogged = 41,
    SearchUserFiles = 42,
    RoomList = 64,
    PrivilegedList = 69,
    SendDistributions = 71,
    SetParentMinSpeed = 83,
    SetParentSpeedConnectionRatio = 84,
    GetOwnPrivilegesStatus = 92,
    DNetMessage = 93,
    CanParent = 100,
    PossibleParents = 102,
    LowPriorityFileSearch = 103,
    WishlistWait = 104,
    GetRoomTicker = 113,
    RoomTickerUserAdded = 114,
    SetTicker = 116,
    SearchRoom = 120,
    UploadSpeed = 121,
    GivePrivilege = 123,
    DNetLevel = 126,
    DNetGroupLeader = 127,
    DNetChildDepth = 129,
    BanUser = 132,
    RoomMembers = 133,
    AddRoomMember = 134,
    RemoveRoomMember = 135,
    RemoveOwnRoomMembership = 136,
    GiveUpRoom = 137,
    AddRoomMembership = 139,
    RemoveRoomMembership = 140,
    EnablePrivateRoomAdd = 141,
    AddRoomOperator = 143,
    RemoveRoomOperator = 144,
    AddRoomOperatorship = 145,
    RemoveRoomOperatorship = 146,
    RoomOperators = 148,
    SearchCorrelations = 153,
    CantConnectToPeer = 1001,
};

// The protocol name of a code ("SM_LOGIN"), or an empty text for a code this
// server does not know.
QString CodeName(quint32 code);

}

#endif
