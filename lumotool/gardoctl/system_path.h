// File names from the command line as the system has them. A POSIX file
// name is bytes and need not be UTF-8; Qt would turn a byte that does not
// decode into U+FFFD and the file would go elsewhere. Here such a byte
// travels through the QString as the lone surrogate U+DC80 + byte and is
// put back when the name goes to the system. (Windows hands its UTF-16
// command line over as it is.)
#pragma once

#include <QByteArray>
#include <QString>

namespace gardoctl {

// One command-line argument, without loss.
QString DecodeArgument(const char* argument);
// The system's bytes of a decoded argument (or of any text holding one).
QByteArray SystemPath(const QString& text);

// While it lives, the current folder is the one named (made when missing);
// the folder before is current again afterwards.
class FolderVisit {
public:
    explicit FolderVisit(const QString& folder);
    ~FolderVisit();
    FolderVisit(const FolderVisit&) = delete;
    FolderVisit& operator=(const FolderVisit&) = delete;

    bool entered() const { return entered_; }
    // The system's reason when the folder could not be entered.
    const QString& error() const { return error_; }
    // The folder's absolute name, for messages and output.
    const QString& path() const { return path_; }

private:
    bool entered_ = false;
    QString error_;
    QString path_;
#ifdef _WIN32
    QString previous_;
#else
    int previous_ = -1;
#endif
};

}  // namespace gardoctl
