#include "TextLines.h"

#include <QFile>
#include <QTextStream>

namespace localserver {

bool ReadTextLines(const QString& path, const std::function<void(const QString& line)>& take)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    QString line;
    while (in.readLineInto(&line))
        take(line);
    return true;
}

} // namespace localserver
