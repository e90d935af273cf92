#include "shares/Mp3Header.h"

#include <algorithm>

namespace {
// Layer III bitrates in kbit/s for bitrate indexes 1..14.
constexpr int Mpeg1Bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int Mpeg2Bitrates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

const char* const ChannelModeNames[] = {"stereo", "joint stereo", "dual mono", "mono"};

// Counting slot of the version bits: 3 is MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved.
int VersionSlot(int bits)
{
    switch (bits) {
    case 3: return 0;
    case 2: return 1;
    case 0: return 2;
    }
    return -1;
}

int ChooseSampleRate(const uint64_t (&count)[3])
{
    if (count[0] > count[1])
        return count[0] <= count[2] ? 2 : 0;
    return count[2] >= count[1] ? 2 : 1;
}

int ChooseChannelMode(const uint64_t (&count)[4])
{
    const uint64_t stereo = count[0], joint = count[1], dual = count[2], mono = count[3];
    if (stereo > joint) {
        if (stereo > dual)
            return stereo <= mono ? 3 : 0;
        return mono < dual ? 2 : 3;
    }
    if (joint > dual)
        return joint <= mono ? 3 : 1;
    return mono < dual ? 2 : 3;
}
} // namespace

void Mp3HeaderReader::AddBlock(const uint8_t* data, std::size_t size)
{
    // A frame header is four bytes; one needs five bytes left in the block.
    for (std::size_t i = 0; i + 5 <= size; ++i) {
        if (data[i] != 0xFF || (data[i + 1] & 0xE0) != 0xE0)
            continue;
        const uint8_t b1 = data[i + 1], b2 = data[i + 2], b3 = data[i + 3];
        const int version = VersionSlot((b1 >> 3) & 3);
        const int layer = (b1 >> 1) & 3;
        const int sampleRate = (b2 >> 2) & 3;
        const int bitrate = b2 >> 4;
        // Only a header that passes every test counts: the data of real files
        // holds many 0xFF runs that look like the start of a header.
        if (version < 0 || layer != 1 || sampleRate == 3 || bitrate == 0 || bitrate == 15)
            continue;
        ++frames[Slot(version, b1 & 1, sampleRate, (b3 >> 6) & 3, bitrate - 1)];
    }
}

std::optional<Mp3Header> Mp3HeaderReader::Result() const
{
    uint64_t versions[Versions] = {}, protections[Protections] = {}, sampleRates[SampleRates] = {},
             channelModes[ChannelModes] = {};
    uint64_t total = 0;
    for (int v = 0; v < Versions; ++v)
        for (int p = 0; p < Protections; ++p)
            for (int s = 0; s < SampleRates; ++s)
                for (int c = 0; c < ChannelModes; ++c)
                    for (int b = 0; b < Bitrates; ++b) {
                        const uint64_t n = frames[Slot(v, p, s, c, b)];
                        versions[v] += n;
                        protections[p] += n;
                        sampleRates[s] += n;
                        channelModes[c] += n;
                        total += n;
                    }
    if (total == 0)
        return std::nullopt;

    const uint64_t mpeg1 = versions[0], mpeg2 = versions[1], mpeg25 = versions[2];
    int version = 0;
    if (mpeg2 >= mpeg1) {
        if (mpeg25 >= mpeg2)
            return std::nullopt;
        version = 1;
    } else if (mpeg25 >= mpeg1) {
        return std::nullopt;
    }
    const int protection = protections[1] > protections[0] ? 1 : 0;
    const int sampleRate = ChooseSampleRate(sampleRates);
    const int channelMode = ChooseChannelMode(channelModes);

    const int* table = version == 0 ? Mpeg1Bitrates : Mpeg2Bitrates;
    uint64_t kept = 0, sum = 0;
    uint64_t atBitrate[Bitrates] = {};
    for (int b = 0; b < Bitrates; ++b) {
        const uint64_t n = frames[Slot(version, protection, sampleRate, channelMode, b)];
        atBitrate[b] = n;
        kept += n;
        sum += n * uint64_t(table[b]);
    }
    if (kept == 0)
        return std::nullopt;

    Mp3Header header;
    header.mpegVersion = version + 1;
    header.channelMode = QString::fromLatin1(ChannelModeNames[channelMode]);
    header.sampleRateIndex = sampleRate;
    header.vbr = true;
    header.bitrate = int(sum / kept);
    // Almost every frame at one bitrate: a constant bitrate with a few odd frames.
    for (int b = 0; b < Bitrates; ++b)
        if (atBitrate[b] * 100 / kept > 98) {
            header.vbr = false;
            header.bitrate = table[b];
        }
    return header;
}

std::optional<Mp3Header> Mp3HeaderReader::Read(const QByteArray& file)
{
    Mp3HeaderReader reader;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.constData());
    const std::size_t size = std::size_t(file.size());
    for (std::size_t offset = 0; offset < size; offset += BlockSize)
        reader.AddBlock(bytes + offset, std::min(BlockSize, size - offset));
    return reader.Result();
}
