#ifndef UI_SIZETEXT_H
#define UI_SIZETEXT_H

#include <QString>

// File sizes as the windows show them.

// The exact count of bytes with thousands separators: "4,831,838,208".
QString GroupedBytes(quint64 bytes);
// The size in the largest binary unit that keeps it at 1 or more, with one
// decimal: "4.5 GiB"; bytes below 1 KiB as "512 B".
QString HumanSize(quint64 bytes);
// Both, where a column has room for them: "4,831,838,208 (4.5 GiB)"; bytes
// below 1 KiB are shown once.
QString SizeText(quint64 bytes);

#endif
