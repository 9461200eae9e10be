#pragma once

#include <QByteArray>
#include <QString>

namespace win {

// The host installation stores all text as Windows-1252: the initialisation
// files as well as every CHAR/VARCHAR column of its database. These two
// functions are the only place where that code page is converted.
//
// The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// are mapped to the code point of the same value and back, as Windows does,
// so that any byte sequence survives a round trip unchanged.
QString fromWindows1252(const QByteArray& bytes);

// Characters Windows-1252 cannot represent become "?" (one per character,
// also for characters outside the Basic Multilingual Plane).
QByteArray toWindows1252(const QString& text);

} // namespace win
