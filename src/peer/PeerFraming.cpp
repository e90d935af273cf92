#include "peer/PeerFraming.h"

#include "wire/FrameWriter.h"
#include "wire/Obfuscation.h"

#include <QIODevice>
#include <QRandomGenerator>
#include <QtEndian>

QByteArray FramePeerMessage(const MemStream& message, bool obfuscated)
{
    if (!obfuscated)
        return FrameMessage(message);
    return FrameMessage(message, QRandomGenerator::global()->generate());
}

PeerReadState::PeerReadState(bool isObfuscated)
    : reader(MaxPeerFrameLength, 0, isObfuscated ? std::make_unique<Descrambler>() : nullptr)
    , obfuscated(isObfuscated)
{
}

void PeerReadState::AwaitFileToken(const QString& fileUser)
{
    awaitingFileToken = true;
    user = fileUser;
}

PeerReadState::Step PeerReadState::Next(QIODevice& device)
{
    Step step;
    if (awaitingFileToken) {
        char word[sizeof(uint32_t)];
        if (device.bytesAvailable() < qint64(sizeof word) || device.read(word, sizeof word) != qint64(sizeof word))
            return step;
        awaitingFileToken = false;
        step.event = Event::FileToken;
        step.token = qFromLittleEndian<uint32_t>(word);
        return step;
    }
    const uint64_t before = reader.BodyReceived();
    const FrameReader::Result result = reader.ReadFrom(device, step.body);
    switch (result) {
    case FrameReader::Result::NeedMore: step.event = Event::NeedMore; break;
    case FrameReader::Result::Complete: step.event = Event::Message; break;
    case FrameReader::Result::BadLength: step.event = Event::BadLength; return step;
    }
    const uint64_t after = result == FrameReader::Result::Complete ? reader.Length() : reader.BodyReceived();
    step.activity = after / ActivityStepBytes > before / ActivityStepBytes;
    return step;
}
