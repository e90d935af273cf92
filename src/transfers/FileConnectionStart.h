#ifndef TRANSFERS_FILECONNECTIONSTART_H
#define TRANSFERS_FILECONNECTIONSTART_H

#include <QByteArray>
#include <QString>

#include <cstdint>

// The raw bytes that open a file connection after its greeting, little-endian
// and never framed: the uploader sends the token of the accepted offer, the
// downloader answers with the offset to resume from (the length of its partial
// file), and the uploader sends the file from there to its end.
namespace FileConnectionStart {

constexpr int TokenBytes = 4;
constexpr int OffsetBytes = 8;

QByteArray EncodeToken(uint32_t token);
QByteArray EncodeOffset(qint64 offset);
// From exactly TokenBytes / OffsetBytes bytes.
uint32_t DecodeToken(const char* bytes);
qint64 DecodeOffset(const char* bytes);

// Why an upload cannot start at the offset of a file of the size; empty when
// it can. An offset equal to the size is a transfer with nothing left to send.
QString RefuseOffset(qint64 offset, qint64 size);

} // namespace FileConnectionStart

#endif
