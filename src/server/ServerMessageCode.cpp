#include "server/ServerMessageCode.h"

#include <QHash>

#include <algorithm>

namespace {
const QHash<int, QString>& Names()
{
    static const QHash<int, QString> names = {
        {SM_LOGIN, QStringLiteral("SM_LOGIN")},
        {SM_SET_WAIT_PORT, QStringLiteral("SM_SET_WAIT_PORT")},
        {SM_GET_PEER_ADDRESS, QStringLiteral("SM_GET_PEER_ADDRESS")},
        {SM_ADD_USER, QStringLiteral("SM_ADD_USER")},
        {SM_REMOVE_USER, QStringLiteral("SM_REMOVE_USER")},
        {SM_GET_USER_STATUS, QStringLiteral("SM_GET_USER_STATUS")},
        {SM_ADD_CHATROOM, QStringLiteral("SM_ADD_CHATROOM")},
        {SM_IGNORE_USER, QStringLiteral("SM_IGNORE_USER")},
        {SM_UNIGNORE_USER, QStringLiteral("SM_UNIGNORE_USER")},
        {SM_SAY_CHATROOM, QStringLiteral("SM_SAY_CHATROOM")},
        {SM_JOIN_ROOM, QStringLiteral("SM_JOIN_ROOM")},
        {SM_LEAVE_ROOM, QStringLiteral("SM_LEAVE_ROOM")},
        {SM_USER_JOINED_ROOM, QStringLiteral("SM_USER_JOINED_ROOM")},
        {SM_USER_LEFT_ROOM, QStringLiteral("SM_USER_LEFT_ROOM")},
        {SM_CONNECT_TO_PEER, QStringLiteral("SM_CONNECT_TO_PEER")},
        {SM_MESSAGE_USER, QStringLiteral("SM_MESSAGE_USER")},
        {SM_MESSAGE_ACKED, QStringLiteral("SM_MESSAGE_ACKED")},
        {SM_FILE_SEARCH, QStringLiteral("SM_FILE_SEARCH")},
        {SM_SET_STATUS, QStringLiteral("SM_SET_STATUS")},
        {SM_HEARTBEAT, QStringLiteral("SM_HEARTBEAT")},
        {SM_SEND_CONNECT_TOKEN, QStringLiteral("SM_SEND_CONNECT_TOKEN")},
        {SM_DOWNLOAD_SPEED, QStringLiteral("SM_DOWNLOAD_SPEED")},
        {SM_SHARED_FOLDERS_FILES, QStringLiteral("SM_SHARED_FOLDERS_FILES")},
        {SM_GET_USER_STATS, QStringLiteral("SM_GET_USER_STATS")},
        {SM_RELOGGED, QStringLiteral("SM_RELOGGED")},
        {SM_SEARCH_USER_FILES, QStringLiteral("SM_SEARCH_USER_FILES")},
        {SM_GET_SIMILAR_TERMS, QStringLiteral("SM_GET_SIMILAR_TERMS")},
        {SM_ADD_LIKE_TERM, QStringLiteral("SM_ADD_LIKE_TERM")},
        {SM_REMOVE_LIKE_TERM, QStringLiteral("SM_REMOVE_LIKE_TERM")},
        {SM_GET_RECOMMENDATIONS, QStringLiteral("SM_GET_RECOMMENDATIONS")},
        {SM_GET_MY_RECOMMENDATIONS, QStringLiteral("SM_GET_MY_RECOMMENDATIONS")},
        {SM_GET_GLOBAL_RECOMMENDATIONS, QStringLiteral("SM_GET_GLOBAL_RECOMMENDATIONS")},
        {SM_GET_USER_RECOMMENDATIONS, QStringLiteral("SM_GET_USER_RECOMMENDATIONS")},
        {SM_COMMAND, QStringLiteral("SM_COMMAND")},
        {SM_PLACE_IN_LINE, QStringLiteral("SM_PLACE_IN_LINE")},
        {SM_PLACE_IN_LINE_RESPONSE, QStringLiteral("SM_PLACE_IN_LINE_RESPONSE")},
        {SM_USER_LIST, QStringLiteral("SM_USER_LIST")},
        {SM_ROOM_ADDED, QStringLiteral("SM_ROOM_ADDED")},
        {SM_ROOM_REMOVED, QStringLiteral("SM_ROOM_REMOVED")},
        {SM_ROOM_LIST, QStringLiteral("SM_ROOM_LIST")},
        {SM_EXACT_FILE_SEARCH, QStringLiteral("SM_EXACT_FILE_SEARCH")},
        {SM_ADMIN_MESSAGE, QStringLiteral("SM_ADMIN_MESSAGE")},
        {SM_GLOBAL_USER_LIST, QStringLiteral("SM_GLOBAL_USER_LIST")},
        {SM_PEER_MESSAGE, QStringLiteral("SM_PEER_MESSAGE")},
        {SM_PRIVILEGED_LIST, QStringLiteral("SM_PRIVILEGED_LIST")},
        {SM_CONNECT_TO_CLIENT, QStringLiteral("SM_CONNECT_TO_CLIENT")},
        {SM_SEND_DISTRIBUTIONS, QStringLiteral("SM_SEND_DISTRIBUTIONS")},
        {SM_NOTE_PARENT, QStringLiteral("SM_NOTE_PARENT")},
        {SM_CHILD_PARENT_MAP, QStringLiteral("SM_CHILD_PARENT_MAP")},
        {SM_SET_PARENT_MIN_SPEED, QStringLiteral("SM_SET_PARENT_MIN_SPEED")},
        {SM_SET_PARENT_SPEED_CONNECTION_RATIO, QStringLiteral("SM_SET_PARENT_SPEED_CONNECTION_RATIO")},
        {SM_SET_PARENT_INACTIVITY_BEFORE_DISCONNECT, QStringLiteral("SM_SET_PARENT_INACTIVITY_BEFORE_DISCONNECT")},
        {SM_SET_SERVER_INACTIVITY_BEFORE_DISCONNECT, QStringLiteral("SM_SET_SERVER_INACTIVITY_BEFORE_DISCONNECT")},
        {SM_NODES_IN_CACHE_BEFORE_DISCONNECT, QStringLiteral("SM_NODES_IN_CACHE_BEFORE_DISCONNECT")},
        {SM_SET_SECONDS_BEFORE_PING_CHILDREN, QStringLiteral("SM_SET_SECONDS_BEFORE_PING_CHILDREN")},
        {SM_ADD_PRIVILEGED_USER, QStringLiteral("SM_ADD_PRIVILEGED_USER")},
        {SM_GET_OWN_PRIVILEGES_STATUS, QStringLiteral("SM_GET_OWN_PRIVILEGES_STATUS")},
        {SM_DNET_MESSAGE, QStringLiteral("SM_DNET_MESSAGE")},
        {SM_CAN_PARENT, QStringLiteral("SM_CAN_PARENT")},
        {SM_POSSIBLE_PARENTS, QStringLiteral("SM_POSSIBLE_PARENTS")},
        {SM_LOW_PRIORITY_FILE_SEARCH, QStringLiteral("SM_LOW_PRIORITY_FILE_SEARCH")},
        {SM_WISHLIST_WAIT, QStringLiteral("SM_WISHLIST_WAIT")},
        {SM_GET_RECOMMENDED_USERS, QStringLiteral("SM_GET_RECOMMENDED_USERS")},
        {SM_GET_TERM_RECOMMENDATIONS, QStringLiteral("SM_GET_TERM_RECOMMENDATIONS")},
        {SM_GET_RECOMMENDATION_USERS, QStringLiteral("SM_GET_RECOMMENDATION_USERS")},
        {SM_GET_ROOM_TICKER, QStringLiteral("SM_GET_ROOM_TICKER")},
        {SM_ROOM_TICKER_USER_ADDED, QStringLiteral("SM_ROOM_TICKER_USER_ADDED")},
        {SM_ROOM_TICKER_USER_REMOVED, QStringLiteral("SM_ROOM_TICKER_USER_REMOVED")},
        {SM_SET_TICKER, QStringLiteral("SM_SET_TICKER")},
        {SM_ADD_HATE_TERM, QStringLiteral("SM_ADD_HATE_TERM")},
        {SM_REMOVE_HATE_TERM, QStringLiteral("SM_REMOVE_HATE_TERM")},
        {SM_SEARCH_ROOM, QStringLiteral("SM_SEARCH_ROOM")},
        {SM_UPLOAD_SPEED, QStringLiteral("SM_UPLOAD_SPEED")},
        {SM_GET_USER_PRIVILEGES_STATUS, QStringLiteral("SM_GET_USER_PRIVILEGES_STATUS")},
        {SM_GIVE_PRIVILEGE, QStringLiteral("SM_GIVE_PRIVILEGE")},
        {SM_INFORM_USER_OF_PRIVILEGES, QStringLiteral("SM_INFORM_USER_OF_PRIVILEGES")},
        {SM_INFORM_USER_OF_PRIVILEGES_ACK, QStringLiteral("SM_INFORM_USER_OF_PRIVILEGES_ACK")},
        {SM_DNET_LEVEL, QStringLiteral("SM_DNET_LEVEL")},
        {SM_DNET_GROUP_LEADER, QStringLiteral("SM_DNET_GROUP_LEADER")},
        {SM_DNET_DELIVERY_REPORT, QStringLiteral("SM_DNET_DELIVERY_REPORT")},
        {SM_DNET_CHILD_DEPTH, QStringLiteral("SM_DNET_CHILD_DEPTH")},
        {SM_DNET_RESET, QStringLiteral("SM_DNET_RESET")},
        {SM_FLOOD, QStringLiteral("SM_FLOOD")},
        {SM_BAN_USER, QStringLiteral("SM_BAN_USER")},
        {SM_ROOM_MEMBERS, QStringLiteral("SM_ROOM_MEMBERS")},
        {SM_ADD_ROOM_MEMBER, QStringLiteral("SM_ADD_ROOM_MEMBER")},
        {SM_REMOVE_ROOM_MEMBER, QStringLiteral("SM_REMOVE_ROOM_MEMBER")},
        {SM_REMOVE_OWN_ROOM_MEMBERSHIP, QStringLiteral("SM_REMOVE_OWN_ROOM_MEMBERSHIP")},
        {SM_GIVE_UP_ROOM, QStringLiteral("SM_GIVE_UP_ROOM")},
        {SM_TRANSFER_ROOM_OWNERSHIP, QStringLiteral("SM_TRANSFER_ROOM_OWNERSHIP")},
        {SM_ADD_ROOM_MEMBERSHIP, QStringLiteral("SM_ADD_ROOM_MEMBERSHIP")},
        {SM_REMOVE_ROOM_MEMBERSHIP, QStringLiteral("SM_REMOVE_ROOM_MEMBERSHIP")},
        {SM_ENABLE_PRIVATE_ROOM_ADD, QStringLiteral("SM_ENABLE_PRIVATE_ROOM_ADD")},
        {SM_CHANGE_PASSWORD, QStringLiteral("SM_CHANGE_PASSWORD")},
        {SM_ADD_ROOM_OPERATOR, QStringLiteral("SM_ADD_ROOM_OPERATOR")},
        {SM_REMOVE_ROOM_OPERATOR, QStringLiteral("SM_REMOVE_ROOM_OPERATOR")},
        {SM_ADD_ROOM_OPERATORSHIP, QStringLiteral("SM_ADD_ROOM_OPERATORSHIP")},
        {SM_REMOVE_ROOM_OPERATORSHIP, QStringLiteral("SM_REMOVE_ROOM_OPERATORSHIP")},
        {SM_REMOVE_OWN_ROOM_OPERATORSHIP, QStringLiteral("SM_REMOVE_OWN_ROOM_OPERATORSHIP")},
        {SM_ROOM_OPERATORS, QStringLiteral("SM_ROOM_OPERATORS")},
        {SM_MESSAGE_USERS, QStringLiteral("SM_MESSAGE_USERS")},
        {SM_JOIN_GLOBAL_ROOM, QStringLiteral("SM_JOIN_GLOBAL_ROOM")},
        {SM_LEAVE_GLOBAL_ROOM, QStringLiteral("SM_LEAVE_GLOBAL_ROOM")},
        {SM_SAY_GLOBAL_ROOM, QStringLiteral("SM_SAY_GLOBAL_ROOM")},
        {SM_SEARCH_CORRELATIONS, QStringLiteral("SM_SEARCH_CORRELATIONS")},
        {SE_CANT_CONNECT_TO_PEER, QStringLiteral("SE_CANT_CONNECT_TO_PEER")},
        {SE_CANT_CREATE_ROOM, QStringLiteral("SE_CANT_CREATE_ROOM")},
    };
    return names;
}
} // namespace

QString ServerMessageCodeName(int code)
{
    return Names().value(code);
}

std::vector<int> ServerMessageCodes()
{
    QList<int> codes = Names().keys();
    std::sort(codes.begin(), codes.end());
    return std::vector<int>(codes.begin(), codes.end());
}
