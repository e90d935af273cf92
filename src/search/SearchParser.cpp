#include "search/SearchParser.h"

#include <QByteArray>

namespace {
bool IsWhitespace(char c)
{
    return c == ' ' || c == '\t';
}

// The position of the first space or tab from `from`, or -1.
int IndexOfWhitespace(const QByteArray& bytes, int from)
{
    for (int pos = from; pos < bytes.size(); ++pos)
        if (IsWhitespace(bytes[pos]))
            return pos;
    return -1;
}
} // namespace

QString SearchParser::Whitespace()
{
    return QStringLiteral(" \t");
}

bool SearchParser::Tokenize(const QString& text)
{
    // Every character the syntax uses is ASCII, which never occurs inside a
    // multi-byte UTF-8 sequence, so the bytes can be scanned directly.
    const QByteArray bytes = text.toLower().toUtf8();
    const int size = bytes.size();
    int pos = 0;
    for (;;) {
        while (pos < size && IsWhitespace(bytes[pos]))
            ++pos;
        if (pos >= size)
            return !includedTokens.empty() || !includedPartTokens.empty();

        TokenSet* target = &includedTokens;
        if (bytes[pos] == '-' || bytes[pos] == '*') {
            target = bytes[pos] == '-' ? &excludedTokens : &includedPartTokens;
            if (++pos >= size)
                return false;
        }

        const bool quoted = bytes[pos] == '"';
        if (quoted)
            ++pos;
        const int start = pos;
        const int end = quoted ? bytes.indexOf('"', start) : IndexOfWhitespace(bytes, start);
        QByteArray token;
        if (end >= 0) {
            token = bytes.mid(start, end - start);
            pos = quoted ? end + 1 : end;
        } else {
            token = bytes.mid(start);
            pos = size;
        }
        if (token.isEmpty() || token.contains('"'))
            return false;
        target->insert(QString::fromUtf8(token));
    }
}

bool SearchParser::IsMatch(const QString& candidate) const
{
    const QString lower = candidate.toLower();
    for (const QString& token : includedTokens)
        if (!lower.contains(token))
            return false;
    for (const QString& token : includedPartTokens)
        if (!lower.contains(token))
            return false;
    for (const QString& token : excludedTokens)
        if (lower.contains(token))
            return false;
    return true;
}
