#ifndef UI_CHATLOGFILE_H
#define UI_CHATLOGFILE_H

#include <QString>

// The chat log files: one per room under "Quillmer Chat Logs/Rooms/" and one
// per user under "Quillmer Chat Logs/Users/" in the home folder.
//
// Room and user names come from the server, so a name is never used as a
// path: each maps to one file name of its own inside the folder (no
// separators, no leading dot; characters that could change the meaning are
// written as %XX, and overlong names are shortened with a digest of the
// whole name).
namespace ChatLogFile {

enum class Kind
{
    Room,
    User,
};

QString FolderPath(Kind kind);
// The file name for a room or user name; distinct names give distinct files.
QString FileName(const QString& name);
// The file of a room or user, always directly inside FolderPath(kind).
QString FilePath(Kind kind, const QString& name);

// Whether chat of that kind is logged (log_room_chat, log_private_chat).
bool IsLogging(Kind kind);
// Appends the line and a line feed as UTF-8, opening and closing the file for
// this line. Nothing happens (no folder is made) while logging is off. False
// when the line could not be written.
bool Append(Kind kind, const QString& name, const QString& line);

} // namespace ChatLogFile

#endif
