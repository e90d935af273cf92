#include "ui/SizeText.h"

#include <QLocale>

#include <iterator>

QString GroupedBytes(quint64 bytes)
{
    // The separators of one locale everywhere, so that sizes read the same in every window.
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(qulonglong(bytes));
}

QString HumanSize(quint64 bytes)
{
    static const char* const Units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024)
        return QString("%1 B").arg(bytes);
    double value = double(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit + 1 < int(std::size(Units))) {
        value /= 1024.0;
        ++unit;
    }
    return QString("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(Units[unit]));
}

QString SizeText(quint64 bytes)
{
    if (bytes < 1024)
        return GroupedBytes(bytes);
    return QString("%1 (%2)").arg(GroupedBytes(bytes), HumanSize(bytes));
}
