#include "transfers/TransferSchema.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "store/TypeTables.h"

#include <QDir>

namespace {

constexpr TypeDeclaration DownloadTypes[] = {
    {"download_entry", Primary, true},
    {"file_name", Tertiary, false},
    {"remote_folder", Secondary, false},
    {"download_folder", Secondary, false},
    {"transfer_req", Tertiary, false},
    {"remote_transfer_req", Tertiary, false},
    {"download_socket", Primary, false},
    {"download_file", Primary, false},
    {"write_position", Tertiary, false},
    {"download_entry_status", Primary, false},
    {"download_order", Tertiary, false},
    {"upload_socket", Primary, false},
    {"upload_file", Primary, false},
    {"read_position", Tertiary, false},
    {"upload_entry_status", Primary, false},
    {"upload_order", Tertiary, false},
    {"is_active", Tertiary, true},
    {"last_receipt_time", Tertiary, false},
    {"last_speed_measurement_time", Tertiary, false},
    {"bytes_per_second", Tertiary, false},
    {"bytes_since_last_receipt", Tertiary, false},
    {"place_in_line", Tertiary, false},
    {"last_queue_request_time", Tertiary, false},
    {"next_place_in_line_request_time", Tertiary, false},
    {"download_thread", Primary, false},
    {"subfolder_save_level", Tertiary, false},
    {"last_status_change_time", Tertiary, false},
    {"single_download", Tertiary, true},
};

constexpr TypeDeclaration UploadTypes[] = {
    {"upload_entry", Primary, true},        {"filename_as_requested", Tertiary, false},
    {"upload_start_time", Tertiary, false}, {"bytes_uploaded", Tertiary, false},
    {"upload_thread", Primary, false},      {"effective_upload_order", Tertiary, false},
};

constexpr TypeDeclaration RecordTypes[] = {
    {"complete_download", Primary, true},
    {"complete_download_folder", Secondary, false},
    {"complete_download_relative_folder", Secondary, false},
    {"complete_download_filename", Tertiary, false},
    {"complete_download_file_size", Tertiary, false},
    {"complete_download_completion_time", Tertiary, false},
};

constexpr OneOrMany M = Many;
constexpr OneOrMany O = One;

constexpr RelationDeclaration DownloadRelations[] = {
    {"download_entry", "user", M, O},
    {"download_entry", "file_name", M, O},
    {"download_entry", "remote_folder", M, O},
    {"download_entry", "file_size", M, O},
    {"download_entry", "download_folder", M, O},
    {"download_entry", "remote_transfer_req", M, O},
    {"download_entry", "write_position", M, O},
    {"download_entry", "download_entry_status", M, O},
    {"download_entry", "place_in_line", M, O},
    {"download_entry", "subfolder_save_level", M, O},
    {"download_entry", "last_status_change_time", M, O},
    {"download_entry", "single_download", M, O},
    {"download_entry", "transfer_req", O, O},
    {"download_entry", "download_socket", O, O},
    {"download_entry", "download_thread", O, O},
    {"download_entry", "download_file", O, O},
    {"download_entry", "download_order", O, O},
    {"download_entry", "last_receipt_time", O, O},
    {"download_entry", "last_speed_measurement_time", O, O},
    {"download_entry", "bytes_per_second", O, O},
    {"download_entry", "bytes_since_last_receipt", O, O},
    {"download_entry_status", "is_active", M, O},
    {"user", "last_queue_request_time", M, O},
    {"user", "next_place_in_line_request_time", M, O},
};

constexpr RelationDeclaration UploadRelations[] = {
    {"upload_entry", "user", M, O},
    {"upload_entry", "shared_file", M, O},
    {"upload_entry", "read_position", M, O},
    {"upload_entry", "upload_entry_status", M, O},
    {"upload_entry", "filename_as_requested", M, O},
    {"upload_entry", "upload_start_time", M, O},
    {"upload_entry", "bytes_uploaded", M, O},
    {"upload_entry", "last_status_change_time", M, O},
    {"upload_entry", "effective_upload_order", M, O},
    {"upload_entry", "upload_socket", O, O},
    {"upload_entry", "upload_file", O, O},
    {"upload_entry", "upload_order", O, O},
    {"upload_entry", "transfer_req", O, O},
    {"upload_entry", "last_receipt_time", O, O},
    {"upload_entry", "last_speed_measurement_time", O, O},
    {"upload_entry", "bytes_per_second", O, O},
    {"upload_entry", "bytes_since_last_receipt", O, O},
    {"upload_entry", "upload_thread", O, O},
    {"upload_entry_status", "is_active", M, O},
};

constexpr RelationDeclaration LaterRelations[] = {
    {"denial_reason", "download_entry", O, M},
    {"denial_reason", "upload_entry", O, M},
    {"complete_download", "complete_download_folder", M, O},
    {"complete_download", "complete_download_relative_folder", M, O},
    {"complete_download", "complete_download_filename", M, O},
    {"complete_download", "complete_download_file_size", M, O},
    {"complete_download", "complete_download_completion_time", M, O},
    {"complete_download", "user", M, O},
    {"complete_download", "search_request_text", M, O},
    {"user", "empty_share_check_status", M, O},
    {"user", "sent_empty_share_warning_message", M, O},
};

// What a download entry keeps across runs besides itself. Whether it was
// queued alone decides its folders, so it lasts too: a restarted single
// download then finds its partial file again.
constexpr const char* SavedWithDownloadEntry[] = {
    "user",
    "file_name",
    "remote_folder",
    "file_size",
    "download_folder",
    "download_entry_status",
    "download_order",
    "subfolder_save_level",
    "single_download",
};

constexpr const char* ActiveStatuses[][2] = {
    {"download_entry_status", TransferStatus::Downloading},    {"upload_entry_status", TransferStatus::Connecting},
    {"upload_entry_status", TransferStatus::Uploading},        {"upload_entry_status", TransferStatus::Requesting},
    {"upload_entry_status", TransferStatus::WaitingForOffset},
};

const char* const EmptyShareMessage = "It looks like you're not sharing any files. Please share something before "
                                      "downloading anything from my own shares. Thanks.";

const struct
{
    const char* name;
    const char* value;
} SettingDefaults[] = {
    {"transfer_order_counter", "1"},
    {"transfer_req_counter", "1"},
    {"upload_slots", "1"},
    {"max_queued_uploads_per_user", "200"},
    {"upload_speed_limit", "0"},
    {"upload_speed_limit_enabled", "no"},
    {"check_for_empty_shares", "no"},
    {"empty_share_message", EmptyShareMessage},
};

} // namespace

void DeclareTransferSchema()
{
    DeclareTypes(DownloadTypes);
    DeclareRelations(DownloadRelations);
    DeclareTypes(UploadTypes);
    DeclareRelations(UploadRelations);

    SetSetting("download_folder", QDir::homePath() + "/Quillmer Downloads");
    for (const auto& setting : SettingDefaults)
        SetSetting(setting.name, setting.value);

    d.NewType("denial_reason", Tertiary, false, true);
    DeclareTypes(RecordTypes);
    d.NewType("empty_share_check_status", Tertiary, false, true);
    d.NewType("sent_empty_share_warning_message", Tertiary, false, true);
    d.NewType("excluded_download_extension", Primary, false, true);
    DeclareRelations(LaterRelations);

    for (const auto& status : ActiveStatuses)
        d.GetType(status[0])->GetItem(Value(status[1])).NewItem("is_active");

    dataSaver->AddSavedType("download_entry");
    for (const char* type : SavedWithDownloadEntry)
        dataSaver->AddSavedByConnectionType(type, "download_entry");
    dataSaver->AddSavedType("excluded_download_extension");
}
