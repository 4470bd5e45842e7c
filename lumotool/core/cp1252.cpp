#include "core/cp1252.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <QList>

#include <array>

namespace lumo {

namespace {

// The byte values Windows-1252 does not define; they stand for themselves.
constexpr bool IsUndefinedByte(unsigned value) {
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

// The character of every byte value, asked once from the platform's
// converter. All Windows-1252 characters lie in the Basic Multilingual Plane.
using DecodeTable = std::array<char16_t, 256>;

DecodeTable BuildDecodeTable() {
    DecodeTable table{};
    for (unsigned value = 0; value < 256; ++value) table[value] = char16_t(value);
#ifdef _WIN32
    for (unsigned value = 0x80; value < 0x100; ++value) {
        if (IsUndefinedByte(value)) continue;
        const char byte = char(value);
        wchar_t wide = 0;
        if (MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1)
            table[value] = char16_t(wide);
    }
#else
    iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;  // Latin-1 is the best guess left
    for (unsigned value = 0x80; value < 0x100; ++value) {
        if (IsUndefinedByte(value)) continue;
        char byte = char(value);
        unsigned char out[4] = {};
        char* inPtr = &byte;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
            sizeof out - outLeft == 2)
            table[value] = char16_t(out[0] | (out[1] << 8));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
#endif
    return table;
}

const DecodeTable& Table() {
    static const DecodeTable table = BuildDecodeTable();
    return table;
}

// Byte of one character, or '?' when the code page has none.
char EncodeChar(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code < 0x100) || IsUndefinedByte(code)) return char(code);
    const DecodeTable& table = Table();
    for (unsigned value = 0x80; value < 0xA0; ++value)
        if (table[value] == code && !IsUndefinedByte(value)) return char(value);
    return '?';
}

}  // namespace

QByteArray ToCp1252(const QString& text) {
    const QList<uint> codes = text.toUcs4();  // one entry per character
    QByteArray out;
    out.reserve(codes.size());
    for (uint code : codes) out.append(EncodeChar(code));
    return out;
}

QString FromCp1252(const QByteArray& bytes) {
    const DecodeTable& table = Table();
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) out.append(QChar(table[static_cast<unsigned char>(c)]));
    return out;
}

}  // namespace lumo
