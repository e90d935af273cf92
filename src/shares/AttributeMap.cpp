#include "shares/AttributeMap.h"

#include "wire/InputStream.h"
#include "wire/OutputStream.h"

AttributeMap AttributeMap::ForSharedFile(const QString& fileName, std::optional<uint32_t> bitrate,
                                         std::optional<bool> variableBitrate)
{
    AttributeMap attributes;
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || fileName.mid(dot + 1).toLower() != QLatin1String("mp3"))
        return attributes;
    attributes.m_kind = "mp3";
    if (bitrate)
        attributes.Add(Bitrate, *bitrate);
    if (variableBitrate)
        attributes.Add(VariableBitrate, *variableBitrate ? 1 : 0);
    return attributes;
}

std::optional<uint32_t> AttributeMap::Find(uint32_t code) const
{
    for (const Pair& pair : m_pairs)
        if (pair.first == code)
            return pair.second;
    return std::nullopt;
}

bool AttributeMap::Read(InputStream& in)
{
    m_pairs.clear();
    if (!in.Read(m_kind))
        return false;
    return in.ReadList([&] {
        Pair pair;
        if (!in.Read(pair.first) || !in.Read(pair.second))
            return false;
        m_pairs.push_back(pair);
        return true;
    });
}

bool AttributeMap::Write(OutputStream& out) const
{
    if (!out.Write(m_kind) || !out.WriteCount(m_pairs.size()))
        return false;
    for (const Pair& pair : m_pairs)
        if (!out.Write(pair.first) || !out.Write(pair.second))
            return false;
    return true;
}
