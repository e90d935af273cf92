#include "peer/PeerSchema.h"

#include "store/Data.h"
#include "store/TypeTables.h"

namespace {

const TypeDeclaration Types[] = {
    {"uninitialized_socket", Primary, false, false},
    {"peer_socket", Primary, false, false},
    {"connection_open_time", Tertiary, false, true},
    {"last_activity_time", Primary, false, true},
    {"is_obfuscated", Tertiary, true, true},
    {"peer_connection_request", Primary, true, false},
    {"peer_connection_request_id", Tertiary, false, true},
    {"peer_connection_type", Tertiary, false, true},
    {"peer_connection_request_socket", Primary, false, false},
    {"user_address", Tertiary, false, true},
    {"user_port", Tertiary, false, true},
    {"user_obfuscated_port", Tertiary, false, true},
    {"socket_creation_time", Tertiary, false, true},
    {"search_request", Primary, false, false},
    {"search_request_text", Primary, false, true},
    {"wishlist_search", Tertiary, true, true},
    {"search_results", Primary, true, true},
    {"search_result", Secondary, true, true},
    {"search_results_user_available", Tertiary, false, true},
    {"search_results_user_speed", Tertiary, false, true},
    {"search_results_uploads_in_queue", Tertiary, false, true},
    {"search_result_file_name", Tertiary, false, true},
    {"search_result_file_folder", Tertiary, false, true},
    {"file_size", Tertiary, false, true},
    {"search_stopped", Tertiary, true, true},
    {"search_correlation", Secondary, true, true},
    {"correlation_text", Tertiary, false, true},
    {"correlation_rank", Tertiary, false, true},
    {"mpeg_version", Tertiary, false, true},
    {"channel_mode", Tertiary, false, true},
    {"audio_frequency", Tertiary, false, true},
    {"bitrate_mode", Tertiary, false, true},
    {"bitrate", Tertiary, false, true},
    {"length_seconds", Tertiary, false, true},
    {"unsent_message", Primary, false, true},
    {"send_order", Tertiary, false, true},
    {"send_time", Tertiary, false, true},
    {"connect_to_peer_request", Primary, true, true},
    {"connect_to_peer_request_status", Tertiary, false, true},
    {"connect_to_peer_request_socket", Primary, false, true},
    {"indirect_connect_to_peer_request", Primary, false, true},
};

// Most relations give an item one value of the other type, shared by many.
constexpr OneOrMany M = Many;
constexpr OneOrMany O = One;

const RelationDeclaration Relations[] = {
    {"peer_socket", "user", M, O, false},
    {"peer_socket", "connection_open_time", M, O, false},
    {"peer_socket", "last_activity_time", M, O, false},
    {"peer_socket", "is_obfuscated", M, O, false},
    {"uninitialized_socket", "is_obfuscated", M, O, false},
    // An accepted socket's age, so that one that never greets is closed.
    {"uninitialized_socket", "socket_creation_time", M, O, false},
    {"peer_connection_request", "peer_connection_request_id", M, O, false},
    {"peer_connection_request", "user", M, O, false},
    {"peer_connection_request", "peer_connection_type", M, O, false},
    {"peer_connection_request", "is_obfuscated", M, O, false},
    {"peer_connection_request", "peer_connection_request_socket", O, O, false},
    {"peer_connection_request_socket", "socket_creation_time", M, O, false},
    {"user", "user_address", M, O, false},
    {"user", "user_port", M, O, false},
    {"user", "user_obfuscated_port", M, O, false},
    {"search_request", "search_request_text", M, O, false},
    {"search_request", "wishlist_search", M, O, false},
    {"search_request", "search_stopped", M, O, false},
    {"search_request", "search_results", O, M, true},
    {"search_results", "search_result", O, M, true},
    {"search_results", "user", M, O, false},
    {"search_results", "search_results_user_available", M, O, false},
    {"search_results", "search_results_user_speed", M, O, false},
    {"search_results", "search_results_uploads_in_queue", M, O, false},
    {"search_result", "search_result_file_name", M, O, false},
    {"search_result", "search_result_file_folder", M, O, false},
    {"search_result", "file_size", M, O, false},
    {"search_result", "bitrate_mode", M, O, false},
    {"search_result", "bitrate", M, O, false},
    {"search_result", "length_seconds", M, O, false},
    {"search_request_text", "search_correlation", O, M, false},
    {"search_correlation", "correlation_text", M, O, false},
    {"search_correlation", "correlation_rank", M, O, false},
    {"unsent_message", "user", M, O, false},
    {"unsent_message", "send_time", M, O, false},
    {"unsent_message", "send_order", O, O, false},
    {"connect_to_peer_request", "connect_to_peer_request_status", M, O, false},
    {"connect_to_peer_request", "user", M, O, false},
    {"connect_to_peer_request", "peer_connection_type", M, O, false},
    {"connect_to_peer_request", "connect_to_peer_request_socket", O, O, false},
    {"connect_to_peer_request", "indirect_connect_to_peer_request", O, O, false},
    {"connect_to_peer_request_socket", "socket_creation_time", M, O, false},
    {"connect_to_peer_request_socket", "user", M, O, false},
    {"connect_to_peer_request_socket", "peer_connection_type", M, O, false},
    {"connect_to_peer_request_socket", "is_obfuscated", M, O, false},
    {"indirect_connect_to_peer_request", "send_time", M, O, false},
    {"indirect_connect_to_peer_request", "user", M, O, false},
    {"indirect_connect_to_peer_request", "peer_connection_type", M, O, false},
};

} // namespace

void DeclarePeerNetworkTypes()
{
    DeclareTypes(Types);
    DeclareRelations(Relations);
}
