#include "ChildClient.h"

#include "ClientRole.h"

bool ChildClient::Start(quint16 port, const QString& name, const QString& password)
{
    return Launch({ClientRoleArgument, QString::number(port), name, password}, home.path());
}
