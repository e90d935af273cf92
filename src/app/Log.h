#ifndef APP_LOG_H
#define APP_LOG_H

#include "store/ItemPtr.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <string>

// Writes a diagnostics line of an area ("Transfer Queue", "server", ...).
// Level 1 is a top-level event, each level above indents by three spaces.
// Nothing happens unless the setting show_diagnostics is on. With
// user_level_logging on and a non-null item, the line is also kept in the
// graph as an "item_log" of that item.
void Log(QString area, int level, QString text, ItemPtr item);

// Lets items of the type carry "item_log" items. Managers call it for the
// types whose items they log about; lines about items of other types are
// logged without a per-item copy.
void RegisterLoggableItemType(std::string type);

// The state behind Log: the areas started in this run, the per-item log
// counter and the per-area files. The diagnostics window listens to
// LineLogged for the lines to show.
class DiagnosticsLog : public QObject
{
    Q_OBJECT
public:
    static DiagnosticsLog& Instance();

    void Write(const QString& area, int level, const QString& text, ItemPtr item);
    void RegisterLoggableItemType(const std::string& typeName);

    // The folder of the per-area files, under the home folder.
    static QString FolderPath();
    // The file of an area; any area name maps to a distinct file directly
    // inside FolderPath().
    static QString FilePath(const QString& area);

signals:
    // line is the text as shown: "[" + time + "] " + indented text.
    void LineLogged(QString area, QString line);

private:
    DiagnosticsLog() = default;

    void AddItemLog(ItemPtr item, const QString& area, int level, const QString& time, const QString& indentedText);
    void AppendToFile(const QString& area, const QString& time, const QString& line, bool firstOfRun);

    QSet<QString> startedAreas;
    long long itemLogCount = 0;
};

#endif
