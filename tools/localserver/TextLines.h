#ifndef LOCALSERVER_TEXTLINES_H
#define LOCALSERVER_TEXTLINES_H

#include <QString>

#include <functional>

namespace localserver {

// Hands each line of a UTF-8 text file to `take`; false when the file cannot
// be opened.
bool ReadTextLines(const QString& path, const std::function<void(const QString& line)>& take);

} // namespace localserver

#endif
