#include "transfers/TransferUsers.h"

#include "app/Settings.h"
#include "store/Data.h"

#include <algorithm>

ItemPtr UserItem(const QString& user)
{
    return d.GetType("user")->GetItem(Value(user));
}

bool IsUserOnline(ItemPtr user)
{
    return user.IsConnected("is_online");
}

int GetUserGroupDownloadPriority(const QString& user)
{
    const ItemPtr inUserList = d.GetType("user")->HasItem(Value(user)).GetItem("in_user_list");
    if (!inUserList)
        return 0;
    int priority = 0;
    for (ItemPtr group : inUserList.GetItems("user_list_group"))
        priority = std::max(priority, group.GetItem("group_download_priority").AsInt());
    return priority;
}

bool CanAcceptUserInitiatedUploadsFrom(const QString& user)
{
    const ItemPtr inUserList = d.GetType("user")->HasItem(Value(user)).GetItem("in_user_list");
    if (!inUserList)
        return false;
    if (IsSettingOn("accept_userlist_uploads"))
        return true;
    return !inUserList.GetItems("user_list_group").Connected("accept_uploads").Empty();
}

QString TakeTransferOrder()
{
    const QString order = GetSetting("transfer_order_counter");
    SetSetting("transfer_order_counter", QString::number(order.toLongLong() + 1));
    return order;
}

QString DateText(const QDateTime& time)
{
    return time.toString(Qt::TextDate);
}

QString NowText()
{
    return DateText(QDateTime::currentDateTime());
}

QDateTime ReadDate(ItemPtr item, const char* type)
{
    const ItemPtr date = item.GetItem(type);
    return date ? QDateTime::fromString(date.AsString(), Qt::TextDate) : QDateTime();
}

void WriteDate(ItemPtr item, const char* type, const QDateTime& time)
{
    item += d.GetType(type)->GetItem(Value(DateText(time)));
}
