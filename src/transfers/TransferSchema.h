#ifndef TRANSFERS_TRANSFERSCHEMA_H
#define TRANSFERS_TRANSFERSCHEMA_H

// The status words of download and upload entries.
namespace TransferStatus {
constexpr const char* Queued = "queued";
constexpr const char* Downloading = "downloading";
constexpr const char* Complete = "complete";
constexpr const char* Aborted = "aborted";
constexpr const char* Denied = "denied";
constexpr const char* LocalError = "local error";
constexpr const char* Requesting = "requesting";
constexpr const char* Connecting = "connecting";
constexpr const char* WaitingForOffset = "waiting for offset";
constexpr const char* Uploading = "uploading";
} // namespace TransferStatus

// Declares the transfers' item types in their order: the download entries with
// their live objects and heap cells, the upload entries, the refusal reasons,
// the records of completed downloads, the empty-share check and the excluded
// extensions; marks the active status words; registers what is saved (the
// download queue and the excluded extensions) and writes the transfer
// settings' defaults, which a loaded file replaces. Needs the settings,
// the session's, the peer network's and sharing's types.
void DeclareTransferSchema();

#endif
