#include "dnet/PossibleParents.h"

#include "dnet/DNetLog.h"
#include "store/Data.h"

QStringList TakeUntriedParents(const PossibleParentList& parents, std::size_t limit)
{
    QStringList users;
    Type* attempted = d.GetType("attempted_dnet_connection");
    for (const auto& [name, address] : parents) {
        // Nobody can be reached without a name or at such a port.
        if (name.isEmpty() || address.port <= 0 || address.port > 65535) {
            DNetLog(2,
                    QString("Possible parent %1 at port %2 cannot be reached, skipping").arg(name).arg(address.port));
            continue;
        }
        ItemPtr user = d.GetType("user")->GetItem(name);
        if (user.IsConnected(attempted)) {
            DNetLog(2, QString("Already attempted parent connection to %1, skipping").arg(name), user);
            continue;
        }
        if (std::size_t(users.size()) == limit) {
            DNetLog(2, QString("Already trying %1 possible parents from this list, not %2").arg(limit).arg(name), user);
            continue;
        }
        DNetLog(2, QString("Attempting parent connection to %1").arg(name), user);
        user += d.GetType("user_address")->GetItem(Value(address.address));
        user += d.GetType("user_port")->GetItem(Value(address.port));
        user += attempted->GetGlobalNullItem();
        users << name;
    }
    return users;
}
