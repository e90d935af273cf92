#include "app/Log.h"

#include "app/Settings.h"
#include "store/Data.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>

namespace {
// Levels deeper than this indent no further; a wild level must not allocate
// a huge indentation.
constexpr int maxIndentLevels = 20;
// Leaves room for ".log" within the usual 255-byte name limit.
constexpr int maxFileNameBytes = 200;

const char* const itemLogTypeName = "item_log";
const char* const itemLogPartTypeNames[] = {"log_time", "log_area", "log_level", "log_text", "log_order"};

// Declared on first use so that any manager may register its types, or log,
// whatever the order in which the managers are created.
Type* ItemLogType()
{
    if (Type* type = d.HasType(itemLogTypeName))
        return type;
    // Anonymous items, alive while the item they belong to is; they keep
    // their parts alive.
    Type* itemLog = d.NewType(itemLogTypeName, Secondary, true, false);
    for (const char* partName : itemLogPartTypeNames)
        itemLog->RelateToType(d.NewType(partName, Tertiary, false, true), Many, One, false);
    return itemLog;
}

ItemPtr PartItem(const char* typeName, const Value& value)
{
    return (*d.GetType(typeName))[value];
}
} // namespace

void Log(QString area, int level, QString text, ItemPtr item)
{
    DiagnosticsLog::Instance().Write(area, level, text, item);
}

void RegisterLoggableItemType(std::string type)
{
    DiagnosticsLog::Instance().RegisterLoggableItemType(type);
}

DiagnosticsLog& DiagnosticsLog::Instance()
{
    static DiagnosticsLog log;
    return log;
}

void DiagnosticsLog::Write(const QString& area, int level, const QString& text, ItemPtr item)
{
    if (!IsSettingOn("show_diagnostics"))
        return;

    const QString indentedText = QString(3 * qBound(0, level - 1, maxIndentLevels), ' ') + text;
    const QString time = QDateTime::currentDateTime().toString();
    const QString line = "[" + time + "] " + indentedText;
    const bool firstOfRun = !startedAreas.contains(area);
    startedAreas.insert(area);

    emit LineLogged(area, line);
    if (!item.IsNull() && IsSettingOn("user_level_logging"))
        AddItemLog(item, area, level, time, indentedText);
    AppendToFile(area, time, line, firstOfRun);
}

void DiagnosticsLog::RegisterLoggableItemType(const std::string& typeName)
{
    Type* itemLog = ItemLogType();
    Type* type = d.GetType(typeName);
    if (!itemLog->IsRelated(type))
        itemLog->RelateToType(type, Many, One, false);
}

QString DiagnosticsLog::FolderPath()
{
    return QDir::homePath() + "/.local/share/Quillmer/diagnostics";
}

QString DiagnosticsLog::FilePath(const QString& area)
{
    // Percent-encoding leaves no "/" and keeps names distinct; the suffix
    // rules out "." and "..".
    QByteArray name = QUrl::toPercentEncoding(area, " ");
    if (name.size() > maxFileNameBytes) {
        // A digest of the whole name keeps long names that share a beginning apart.
        const QByteArray digest = QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(16);
        name = name.left(maxFileNameBytes - digest.size() - 1) + '-' + digest;
    }
    return FolderPath() + "/" + QString::fromLatin1(name) + ".log";
}

void DiagnosticsLog::AddItemLog(ItemPtr item, const QString& area, int level, const QString& time,
                                const QString& indentedText)
{
    Type* itemLogType = ItemLogType();
    // An unregistered type cannot carry logs; the line itself is still logged.
    if (!itemLogType->IsRelated(item.GetType()))
        return;

    ItemPtr itemLog = itemLogType->NewItem();
    itemLog += PartItem("log_time", Value(time));
    itemLog += PartItem("log_area", Value(area));
    itemLog += PartItem("log_level", Value(level));
    itemLog += PartItem("log_text", Value(indentedText));
    itemLog += PartItem("log_order", Value(++itemLogCount));
    // Last, so that whoever watches the item sees a complete entry.
    itemLog += item;
}

void DiagnosticsLog::AppendToFile(const QString& area, const QString& time, const QString& line, bool firstOfRun)
{
    if (!QDir().mkpath(FolderPath()))
        return;
    QFile file(FilePath(area));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    if (firstOfRun)
        file.write(QString("* Logging started at %1\n").arg(time).toUtf8());
    file.write(line.toUtf8() + '\n');
}
