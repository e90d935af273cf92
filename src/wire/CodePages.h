#ifndef WIRE_CODEPAGES_H
#define WIRE_CODEPAGES_H

#include <QString>
#include <string>

// Decodes 8-bit text received from the network or read from stored data.
// The bytes up to the first NUL are taken as UTF-8 when they are valid UTF-8
// (decoding and re-encoding gives the same bytes); otherwise they go through
// the code page the user chose, or Latin-1 when none is chosen.
QString ToQString(const std::string& bytes);

#endif
