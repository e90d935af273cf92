#ifndef SHARES_SHARESSCHEMA_H
#define SHARES_SHARESSCHEMA_H

class Type;

// Declares the item types of sharing (the own share index, browsed shares of
// other users, the word index and the "unshared" mark), their relations and
// which of them are saved. Needs the settings schema and the server session's
// types ("user", "user_list_group"). The audio attribute types and "file_size"
// belong to the peer network; they are declared here only when that was not
// created first.
void DeclareSharesSchema();

// The types sharing uses on its busy paths, looked up once.
struct ShareTypes
{
    ShareTypes();

    Type* sharedFolder;
    Type* sharedFileFolder;
    Type* sharedFileFolderLowercaseName;
    Type* sharedFile;
    Type* sharedFileName;
    Type* sharedFileLowercaseName;
    Type* sharedFileSize;
    Type* isScanned;
    Type* bitrate;
    Type* bitrateMode;
    Type* searchToken;
    Type* user;
};

#endif
