#include "gardoctl/system_path.h"

#include <QDir>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gardoctl {

#ifndef _WIN32
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at p (at most n bytes) and
// its code point; 0 when the bytes there are not one.
int Utf8Sequence(const unsigned char* p, std::size_t n, char32_t* code)
{
    const unsigned char b = p[0];
    int length = 0;
    char32_t c = 0;
    if (b < 0x80) { *code = b; return 1; }
    if (b >= 0xC2 && b <= 0xDF) { length = 2; c = b & 0x1F; }
    else if (b >= 0xE0 && b <= 0xEF) { length = 3; c = b & 0x0F; }
    else if (b >= 0xF0 && b <= 0xF4) { length = 4; c = b & 0x07; }
    else return 0;
    if (n < std::size_t(length)) return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are no text.
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *code = c;
    return length;
}

}  // namespace
#endif

QString DecodeArgument(const char* argument)
{
#ifdef _WIN32
    return QString::fromLocal8Bit(argument);
#else
    QString out;
    const auto* p = reinterpret_cast<const unsigned char*>(argument);
    std::size_t n = std::strlen(argument);
    while (n > 0) {
        char32_t code = 0;
        const int length = Utf8Sequence(p, n, &code);
        if (length == 0) {
            out.append(QChar(char16_t(kEscapeBase + *p)));
            ++p;
            --n;
            continue;
        }
        out.append(QString::fromUcs4(&code, 1));
        p += length;
        n -= std::size_t(length);
    }
    return out;
#endif
}

QByteArray SystemPath(const QString& text)
{
#ifdef _WIN32
    return text.toLocal8Bit();
#else
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const bool pair = QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (!pair && u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out.append(char(u - kEscapeBase));
            continue;
        }
        const qsizetype length = pair ? 2 : 1;
        out.append(text.mid(i, length).toUtf8());
        i += length - 1;
    }
    return out;
#endif
}

FolderVisit::FolderVisit(const QString& folder)
{
    path_ = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
#ifdef _WIN32
    previous_ = QDir::currentPath();
    QDir().mkpath(folder);
    entered_ = QDir::setCurrent(folder);
    if (!entered_) error_ = QStringLiteral("cannot enter the folder");
#else
    // The name the current folder has, decoded without loss.
    if (char* here = ::getcwd(nullptr, 0)) {
        path_ = QDir::cleanPath(QDir(DecodeArgument(here)).absoluteFilePath(folder));
        std::free(here);
    }
    const QByteArray bytes = SystemPath(folder);
    for (qsizetype i = 1; i < bytes.size(); ++i)
        if (bytes[i] == '/') ::mkdir(bytes.left(i).constData(), 0777);
    ::mkdir(bytes.constData(), 0777);  // a failure shows when it is entered
    previous_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    entered_ = previous_ >= 0 && ::chdir(bytes.constData()) == 0;
    if (!entered_) error_ = QString::fromLocal8Bit(std::strerror(errno));
#endif
}

FolderVisit::~FolderVisit()
{
#ifdef _WIN32
    if (entered_) QDir::setCurrent(previous_);
#else
    if (entered_) (void)::fchdir(previous_);
    if (previous_ >= 0) ::close(previous_);
#endif
}

}  // namespace gardoctl
