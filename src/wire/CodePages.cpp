#include "wire/CodePages.h"

#include "wire/ExtendedAsciiTranslator.h"

#include <QByteArray>

#include <algorithm>

QString ToQString(const std::string& bytes)
{
    const std::string text = bytes.substr(0, bytes.find('\0'));
    const QString decoded = QString::fromUtf8(text.data(), int(text.size()));
    const QByteArray reencoded = decoded.toUtf8();
    if (reencoded.size() == int(text.size()) && std::equal(text.begin(), text.end(), reencoded.constData()))
        return decoded;
    if (extendedAsciiTranslator)
        return extendedAsciiTranslator->Translate(text);
    return QString::fromLatin1(text.data(), int(text.size()));
}
