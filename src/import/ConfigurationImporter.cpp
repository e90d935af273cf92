#include "import/ConfigurationImporter.h"

#include "import/UserListFile.h"
#include "store/Data.h"
#include "store/TextDecoding.h"
#include "wire/QFileStreamer.h"

#include <QFile>

bool ConfigurationImporter::ImportUserList(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QFileStreamer in(file);
    std::set<std::string> names;
    // The graph is changed only once every name has been read.
    if (!ReadUserListNames(in, names))
        return false;
    Type* users = d.GetType("user");
    Type* inUserList = d.GetType("in_user_list");
    for (const std::string& name : names) {
        const ItemPtr user = users->GetItem(Value(ToQString(name)));
        // A new entry would replace the old one and lose its groups.
        if (!user.IsConnected(inUserList))
            user += inUserList->NewItem();
    }
    return true;
}
