// The item types of users and rooms, their relations and what of them is saved.
#include "server/Server.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "store/TypeTables.h"

namespace {
// Every type is created on demand when looked up by value.
constexpr TypeDeclaration Types[] = {
    {"user", Primary, false},
    {"is_online", Tertiary, true},
    {"last_online_status_change", Tertiary, false},
    {"is_tracked", Tertiary, true},
    {"is_privileged", Tertiary, true},
    {"is_away", Tertiary, true},
    {"room", Primary, false},
    {"room_autojoin", Tertiary, true},
    {"user_count", Tertiary, false},
    {"is_private", Tertiary, true},
    {"is_member", Tertiary, true},
    {"in_room", Tertiary, true},
    {"room_owner", Secondary, true},
    {"room_operators", Secondary, true},
    {"room_members", Secondary, true},
    {"is_owner", Tertiary, true},
    {"is_operator", Tertiary, true},
    {"average_download_speed", Tertiary, false},
    {"shared_file_count", Tertiary, false},
    {"country_code", Tertiary, false},
    {"in_user_list", Tertiary, true},
    {"user_list_group", Primary, false},
    {"group_download_priority", Tertiary, false},
    {"is_ignored", Tertiary, true},
    {"accept_uploads", Tertiary, true},
    {"user_address_request", Tertiary, true},
    {"room_ticker", Secondary, true},
    {"room_ticker_text", Tertiary, false},
    {"room_ticker_order", Tertiary, false},
    {"ticker_order_counter", Tertiary, false},
    // The user's own note on another user, kept with the user.
    {"user_note", Secondary, false},
};

constexpr RelationDeclaration Relations[] = {
    {"user", "is_online", Many, One},
    {"user", "last_online_status_change", Many, One},
    {"user", "is_tracked", Many, One},
    {"user", "is_privileged", Many, One},
    {"user", "average_download_speed", Many, One},
    {"user", "shared_file_count", Many, One},
    {"user", "country_code", Many, One},
    {"user", "in_user_list", One, One},
    {"user", "is_ignored", Many, One},
    {"user", "is_away", Many, One},
    {"in_user_list", "user_list_group", Many, Many},
    {"user_list_group", "group_download_priority", Many, One},
    {"user_list_group", "accept_uploads", Many, One},
    {"room", "user", Many, Many},
    {"room", "user_count", Many, One},
    {"room", "in_room", Many, One},
    {"room", "room_autojoin", Many, One},
    {"room", "room_owner", One, One},
    {"room", "room_operators", One, One},
    {"room", "room_members", One, One},
    {"room_owner", "user", Many, One},
    {"room_operators", "user", Many, Many},
    {"room_members", "user", Many, Many},
    {"room", "is_private", Many, One},
    {"room", "is_owner", Many, One},
    {"room", "is_operator", Many, One},
    {"room", "is_member", Many, One},
    {"user_address_request", "user", One, Many},
    {"room", "room_ticker", One, Many},
    {"room", "ticker_order_counter", Many, One},
    {"room_ticker", "room_ticker_text", Many, One},
    {"room_ticker", "room_ticker_order", Many, One},
    {"room_ticker", "user", Many, One},
    {"user", "user_note", Many, One},
};

constexpr const char* PlainlySavedTypes[] = {
    "room_autojoin",           "in_user_list",   "user_list_group", "is_ignored",
    "group_download_priority", "accept_uploads", "user_note",
};
} // namespace

void Server::CreateData()
{
    DeclareTypes(Types);
    DeclareRelations(Relations);

    for (const char* name : PlainlySavedTypes)
        dataSaver->AddSavedType(name);
    dataSaver->AddSavedByConnectionType("room", "room_autojoin");
    dataSaver->AddSavedByConnectionType("user", "in_user_list");
    dataSaver->AddSavedByConnectionType("user", "is_ignored");
    dataSaver->AddSavedByConnectionType("user", "user_note");

    SetSetting("availability_status", "available");
}
