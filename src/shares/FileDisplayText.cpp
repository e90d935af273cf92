#include "shares/FileDisplayText.h"

#include "store/Item.h"

QString FormatSeconds(long long seconds)
{
    const QLatin1Char zero('0');
    const long long minutes = seconds / 60;
    if (minutes < 60)
        return QStringLiteral("%1:%2").arg(minutes).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3").arg(minutes / 60).arg(minutes % 60, 2, 10, zero).arg(seconds % 60, 2, 10, zero);
}

QString GetFileItemDisplayString(ItemPtr item)
{
    QString text;
    if (const ItemPtr bitrate = item.GetItem("bitrate"))
        text += QString::number(bitrate.AsInt());
    const ItemPtr mode = item.GetItem("bitrate_mode");
    if (mode && mode->GetValue().Bytes() == "vbr")
        text += QLatin1String(" VBR");
    else if (mode && mode->GetValue().Bytes() == "cbr")
        text += QLatin1String(" CBR");
    if (const ItemPtr length = item.GetItem("length_seconds")) {
        if (!text.isEmpty())
            text += QLatin1String(", ");
        text += FormatSeconds(length.AsInt64());
    }
    return text;
}
