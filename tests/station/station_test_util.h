// Helpers shared by the station file tests: a temporary station file and
// whole-file reads and writes.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Byte texts print as escaped strings in failure messages.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"';
    for (char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\r') *os << "\\r";
        else if (c == '\n') *os << "\\n";
        else if (u < 0x20 || u >= 0x7F) *os << "\\x" << std::hex << unsigned(u) << std::dec;
        else *os << c;
    }
    *os << '"';
}

namespace lumo::test {

class StationFile {
public:
    StationFile() : path_(dir_.path() + QStringLiteral("/MavikDatenbank.txt")) {}
    const QString& path() const { return path_; }
    QString folder() const { return dir_.path(); }

    void write(const QByteArray& bytes) const {
        QFile f(path_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray read() const {
        QFile f(path_);
        if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
        return f.readAll();
    }
    bool exists() const { return QFile::exists(path_); }

private:
    QTemporaryDir dir_;
    QString path_;
};

}  // namespace lumo::test
