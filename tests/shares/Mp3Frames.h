#ifndef TESTS_SHARES_MP3FRAMES_H
#define TESTS_SHARES_MP3FRAMES_H

#include <QByteArray>

enum VersionBits
{
    Mpeg25 = 0,
    Mpeg2 = 2,
    Mpeg1 = 3,
};

// `count` frames: a header (no CRC) and frame data. `strayRun` puts a run of
// 0xFF bytes into the data, as encoders do.
inline QByteArray Frames(int count, VersionBits version, int bitrateIndex, int sampleRateIndex = 0, int channelMode = 1,
                         int layerBits = 1, bool strayRun = false)
{
    QByteArray frame(4, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xE0 | (version << 3) | (layerBits << 1) | 1);
    frame[2] = char((bitrateIndex << 4) | (sampleRateIndex << 2));
    frame[3] = char(channelMode << 6);
    QByteArray data(400, '\0');
    if (strayRun)
        data.replace(100, 40, QByteArray(40, char(0xFF)));
    return (frame + data).repeated(count);
}

#endif
