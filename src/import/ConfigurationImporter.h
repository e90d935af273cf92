#ifndef IMPORT_CONFIGURATIONIMPORTER_H
#define IMPORT_CONFIGURATIONIMPORTER_H

#include <QString>

// Brings over what a user kept in the older desktop client of the network.
class ConfigurationImporter
{
public:
    // Puts every user named in the older client's user-list file
    // ("favlist.cfg") on the user list; users already on it keep their entry
    // and its groups. True when the whole file was read and applied; nothing
    // is added from a file that cannot be read whole.
    static bool ImportUserList(const QString& path);
};

#endif
