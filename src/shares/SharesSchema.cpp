#include "shares/SharesSchema.h"

#include "store/Data.h"
#include "store/DataSaver.h"
#include "store/TypeTables.h"

namespace {
// Every type is created on demand when looked up by value.
constexpr TypeDeclaration Types[] = {
    {"shared_folder", Primary, false},
    {"shared_file_folder", Secondary, false},
    {"shared_file_folder_lowercase_name", Tertiary, false},
    {"shared_file", Secondary, true},
    {"shared_file_name", Secondary, false},
    {"shared_file_lowercase_name", Tertiary, false},
    {"shared_file_size", Tertiary, false},
    {"shared_public", Tertiary, true},
    {"shared_userlist", Tertiary, true},
    {"is_scanned", Tertiary, true},
    {"shared_folder_id", Tertiary, false},
    {"user_share", Primary, true},
    {"user_share_folder", Secondary, true},
    {"user_share_folder_parent", Secondary, true},
    {"user_share_folder_child", Secondary, true},
    {"user_share_folder_name", Tertiary, false},
    {"user_share_file", Secondary, true},
    {"user_share_file_name", Tertiary, false},
    {"search_token", Tertiary, false},
    {"unshared", Tertiary, true},
};

// Shared with the peer network, which declares them when it comes first.
constexpr const char* AudioTypes[] = {
    "mpeg_version", "channel_mode", "audio_frequency", "bitrate_mode", "bitrate", "length_seconds", "file_size",
};

constexpr RelationDeclaration Relations[] = {
    {"shared_folder", "shared_file_folder", Many, Many},
    {"shared_file", "shared_file_folder", Many, One},
    {"shared_file", "shared_file_name", Many, One},
    {"shared_file", "shared_file_size", Many, One},
    {"shared_file_folder", "shared_file_folder_lowercase_name", Many, One},
    {"shared_file_name", "shared_file_lowercase_name", Many, One},
    {"shared_folder", "shared_public", Many, One},
    {"shared_folder", "shared_userlist", Many, One},
    {"shared_folder", "user_list_group", Many, Many},
    {"shared_folder", "shared_folder_id", One, One},
    {"user_share", "user", One, One},
    {"user_share", "user_share_folder", One, Many},
    {"user_share_folder", "user_share_folder_name", Many, One},
    {"user_share_folder", "user_share_folder_parent", One, One},
    {"user_share_folder", "user_share_folder_child", One, Many},
    // A folder's parent link and the parent's child link are one pair.
    {"user_share_folder_parent", "user_share_folder_child", One, One},
    {"user_share_folder", "user_share_file", One, Many},
    {"user_share_file", "user_share_file_name", Many, One},
    {"user_share_file", "file_size", Many, One},
    {"user_share_file", "bitrate_mode", Many, One},
    {"user_share_file", "bitrate", Many, One},
    {"user_share_file", "length_seconds", Many, One},
    {"search_token", "shared_file", Many, Many},
    {"shared_file", "mpeg_version", Many, One},
    {"shared_file", "channel_mode", Many, One},
    {"shared_file", "audio_frequency", Many, One},
    {"shared_file", "bitrate_mode", Many, One},
    {"shared_file", "bitrate", Many, One},
    {"shared_file", "is_scanned", Many, One},
    {"user", "unshared", Many, One},
};

// Saved by connection: (type, the type that keeps its items in the file).
constexpr std::pair<const char*, const char*> SavedByConnection[] = {
    {"shared_public", "shared_folder"},
    {"shared_userlist", "shared_folder"},
    {"shared_folder_id", "shared_folder"},
    {"shared_file_folder", "shared_folder"},
    {"shared_file", "shared_file_folder"},
    {"shared_file_name", "shared_file"},
    {"shared_file_size", "shared_file"},
    {"mpeg_version", "shared_file"},
    {"channel_mode", "shared_file"},
    {"audio_frequency", "shared_file"},
    {"bitrate_mode", "shared_file"},
    {"bitrate", "shared_file"},
    {"user", "unshared"},
};
} // namespace

void DeclareSharesSchema()
{
    DeclareTypes(Types);
    for (const char* name : AudioTypes)
        if (!d.HasType(name))
            d.NewType(name, Tertiary, false, true);
    DeclareRelations(Relations);

    for (const char* name : {"shared_folder", "is_scanned", "unshared"})
        dataSaver->AddSavedType(name);
    for (const auto& [type, keeper] : SavedByConnection)
        dataSaver->AddSavedByConnectionType(type, keeper);
}

ShareTypes::ShareTypes()
    : sharedFolder(d.GetType("shared_folder"))
    , sharedFileFolder(d.GetType("shared_file_folder"))
    , sharedFileFolderLowercaseName(d.GetType("shared_file_folder_lowercase_name"))
    , sharedFile(d.GetType("shared_file"))
    , sharedFileName(d.GetType("shared_file_name"))
    , sharedFileLowercaseName(d.GetType("shared_file_lowercase_name"))
    , sharedFileSize(d.GetType("shared_file_size"))
    , isScanned(d.GetType("is_scanned"))
    , bitrate(d.GetType("bitrate"))
    , bitrateMode(d.GetType("bitrate_mode"))
    , searchToken(d.GetType("search_token"))
    , user(d.GetType("user"))
{
}
