// Conversion between the program's text (QString) and the single-byte
// Windows-1252 text of the files the program reads and writes. Every file
// text passes through here, at the moment it is read or written.
#pragma once

#include <QByteArray>
#include <QString>

namespace lumo {

// Windows-1252 bytes of the text. A character the code page cannot hold
// becomes "?", so the result always has one byte per character.
QByteArray ToCp1252(const QString& text);

// Text of Windows-1252 bytes. Every byte value maps to one character: the
// five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the control characters of the same number, so ToCp1252 gives the
// same bytes back.
QString FromCp1252(const QByteArray& bytes);

}  // namespace lumo
