#ifndef SHARES_MP3HEADER_H
#define SHARES_MP3HEADER_H

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The audio properties of an MP3 file as this client shares them.
struct Mp3Header
{
    int mpegVersion = 0;     // 1 or 2
    QString channelMode;     // "stereo", "joint stereo", "dual mono" or "mono"
    int sampleRateIndex = 0; // 0, 1 or 2 within the version's table, not a frequency
    bool vbr = false;
    int bitrate = 0; // kbit/s: the average for a variable bitrate
};

// Reads the properties of an MP3 file from its frame headers, block by block.
// Every position of a block that starts a Layer III frame header with a valid
// version, sample rate and bitrate is counted; the majority of each property
// wins and the frames that agree with all of them give the bitrate. A header
// is seen only when at least five bytes, itself included, remain in its block,
// so headers that straddle two blocks are not counted.
class Mp3HeaderReader
{
public:
    static constexpr std::size_t BlockSize = 65536;

    void AddBlock(const uint8_t* data, std::size_t size);
    // Nothing when no frame was found or the version is MPEG-2.5.
    std::optional<Mp3Header> Result() const;

    // The whole file at once, cut into blocks of BlockSize.
    static std::optional<Mp3Header> Read(const QByteArray& file);

private:
    // Frames counted per version (MPEG-1, MPEG-2, MPEG-2.5), protection bit,
    // sample-rate index, channel mode and bitrate index 1..14.
    static constexpr int Versions = 3;
    static constexpr int Protections = 2;
    static constexpr int SampleRates = 3;
    static constexpr int ChannelModes = 4;
    static constexpr int Bitrates = 14;

    static std::size_t Slot(int version, int protection, int sampleRate, int channelMode, int bitrate)
    {
        return (((std::size_t(version) * Protections + protection) * SampleRates + sampleRate) * ChannelModes
                + channelMode)
            * Bitrates
            + bitrate;
    }

    std::array<uint64_t, Versions * Protections * SampleRates * ChannelModes * Bitrates> frames{};
};

#endif
