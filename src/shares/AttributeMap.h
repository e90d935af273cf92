#ifndef SHARES_ATTRIBUTEMAP_H
#define SHARES_ATTRIBUTEMAP_H

#include "wire/Persistent.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A file's audio properties as carried by search replies, share lists and
// folder contents: a kind ("mp3" or empty) and (code, value) pairs in the order
// they were added. Read refuses a kind above 131072 bytes or more than 131072
// pairs.
class AttributeMap : public Persistent
{
public:
    enum Code : uint32_t
    {
        Bitrate = 0, // kbit/s
        LengthSeconds = 1,
        VariableBitrate = 2, // 1 variable, 0 constant
    };

    using Pair = std::pair<uint32_t, uint32_t>;

    // The attributes this client sends for one of its shared files: kind "mp3"
    // and the bitrate, then the bitrate mode (each when known) when the
    // lower-cased text after the name's last "." is "mp3"; otherwise nothing.
    static AttributeMap ForSharedFile(const QString& fileName, std::optional<uint32_t> bitrate,
                                      std::optional<bool> variableBitrate);

    const std::string& GetKind() const { return m_kind; }
    void SetKind(std::string kind) { m_kind = std::move(kind); }

    const std::vector<Pair>& GetPairs() const { return m_pairs; }
    void Add(uint32_t code, uint32_t value) { m_pairs.emplace_back(code, value); }
    // The value of the first pair with this code.
    std::optional<uint32_t> Find(uint32_t code) const;

    bool Read(InputStream& in) override;
    bool Write(OutputStream& out) const override;

    bool operator==(const AttributeMap& other) const { return m_kind == other.m_kind && m_pairs == other.m_pairs; }

private:
    std::string m_kind;
    std::vector<Pair> m_pairs;
};

#endif
