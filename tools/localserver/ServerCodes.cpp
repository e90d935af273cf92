#include "ServerCodes.h"

#include <QHash>

namespace localserver {

QString CodeName(quint32 code)
{
    static const QHash<quint32, QString> names = {
        {Login, "SM_LOGIN"},
        {SetWaitPort, "SM_SET_WAIT_PORT"},
        {GetPeerAddress, "SM_GET_PEER_ADDRESS"},
        {AddUser, "SM_ADD_USER"},
        {RemoveUser, "SM_REMOVE_USER"},
        {GetUserStatus, "SM_GET_USER_STATUS"},
        {SayChatroom, "SM_SAY_CHATROOM"},
        {JoinRoom, "SM_JOIN_ROOM"},
        {LeaveRoom, "SM_LEAVE_ROOM"},
        {UserJoinedRoom, "SM_USER_JOINED_ROOM"},
        {UserLeftRoom, "SM_USER_LEFT_ROOM"},
        {ConnectToPeer, "SM_CONNECT_TO_PEER"},
        {MessageUser, "SM_MESSAGE_USER"},
        {MessageAcked, "SM_MESSAGE_ACKED"},
        {FileSearch, "SM_FILE_SEARCH"},
        {SetStatus, "SM_SET_STATUS"},
        {Heartbeat, "SM_HEARTBEAT"},
        {SharedFoldersFiles, "SM_SHARED_FOLDERS_FILES"},
        {GetUserStats, "SM_GET_USER_STATS"},
        {Relogged, "SM_RELOGGED"},
        {SearchUserFiles, "SM_SEARCH_USER_FILES"},
        {RoomList, "SM_ROOM_LIST"},
        {PrivilegedList, "SM_PRIVILEGED_LIST"},
        {SendDistributions, "SM_SEND_DISTRIBUTIONS"},
        {SetParentMinSpeed, "SM_SET_PARENT_MIN_SPEED"},
        {SetParentSpeedConnectionRatio, "SM_SET_PARENT_SPEED_CONNECTION_RATIO"},
        {GetOwnPrivilegesStatus, "SM_GET_OWN_PRIVILEGES_STATUS"},
        {DNetMessage, "SM_DNET_MESSAGE"},
        {CanParent, "SM_CAN_PARENT"},
        {PossibleParents, "SM_POSSIBLE_PARENTS"},
        {LowPriorityFileSearch, "SM_LOW_PRIORITY_FILE_SEARCH"},
        {WishlistWait, "SM_WISHLIST_WAIT"},
        {GetRoomTicker, "SM_GET_ROOM_TICKER"},
        {RoomTickerUserAdded, "SM_ROOM_TICKER_USER_ADDED"},
        {SetTicker, "SM_SET_TICKER"},
        {SearchRoom, "SM_SEARCH_ROOM"},
        {UploadSpeed, "SM_UPLOAD_SPEED"},
        {GivePrivilege, "SM_GIVE_PRIVILEGE"},
        {DNetLevel, "SM_DNET_LEVEL"},
        {DNetGroupLeader, "SM_DNET_GROUP_LEADER"},
        {DNetChildDepth, "SM_DNET_CHILD_DEPTH"},
        {BanUser, "SM_BAN_USER"},
        {RoomMembers, "SM_ROOM_MEMBERS"},
        {AddRoomMember, "SM_ADD_ROOM_MEMBER"},
        {RemoveRoomMember, "SM_REMOVE_ROOM_MEMBER"},
        {RemoveOwnRoomMembership, "SM_REMOVE_OWN_ROOM_MEMBERSHIP"},
        {GiveUpRoom, "SM_GIVE_UP_ROOM"},
        {AddRoomMembership, "SM_ADD_ROOM_MEMBERSHIP"},
        {RemoveRoomMembership, "SM_REMOVE_ROOM_MEMBERSHIP"},
        {EnablePrivateRoomAdd, "SM_ENABLE_PRIVATE_ROOM_ADD"},
        {AddRoomOperator, "SM_ADD_ROOM_OPERATOR"},
        {RemoveRoomOperator, "SM_REMOVE_ROOM_OPERATOR"},
        {AddRoomOperatorship, "SM_ADD_ROOM_OPERATORSHIP"},
        {RemoveRoomOperatorship, "SM_REMOVE_ROOM_OPERATORSHIP"},
        {RoomOperators, "SM_ROOM_OPERATORS"},
        {SearchCorrelations, "SM_SEARCH_CORRELATIONS"},
        {CantConnectToPeer, "SE_CANT_CONNECT_TO_PEER"},
    };
    return names.value(code);
}

}
