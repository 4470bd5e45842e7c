// The password table, its lookup and its generator.
#include "core/password_table.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace lumo;

namespace {

std::string keyOf(const PasswordEntry& entry)
{
    std::string key;
    for (int k = 0; k < kPasswordLength; ++k)
        key.push_back(PasswordKeyChar(entry, k));
    return key;
}

bool signedLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<signed char>(x) < static_cast<signed char>(y);
    });
}

// The reference: any entry whose key equals the password.
bool bruteForce(const PasswordEntry* table, int count, const std::string& password)
{
    for (int i = 0; i < count; ++i) {
        if (keyOf(table[i]) == password)
            return true;
    }
    return false;
}

// A table built from keys, sorted the way the generator sorts.
std::vector<std::array<char, kPasswordEntrySize + 1>> makeTable(std::vector<std::string> keys)
{
    std::sort(keys.begin(), keys.end(), signedLess);
    std::vector<std::array<char, kPasswordEntrySize + 1>> table;
    for (const auto& key : keys) {
        std::array<char, kPasswordEntrySize + 1> e{};
        std::fill(e.begin(), e.end() - 1, 'x');
        for (int k = 0; k < kPasswordLength; ++k)
            e[k * kPasswordKeyStep] = key[k];
        table.push_back(e);
    }
    return table;
}

const PasswordEntry* asTable(const std::vector<std::array<char, kPasswordEntrySize + 1>>& t)
{
    return reinterpret_cast<const PasswordEntry*>(t.data());
}

std::vector<std::string> readList(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    std::vector<std::string> out;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).remove(QLatin1Char('\r'));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        out.push_back(*PasswordBytes(line));
    }
    return out;
}

}  // namespace

TEST(PasswordTable, BuiltInTableIsWellFormedAndSorted)
{
    for (int i = 0; i < kPasswordCount; ++i) {
        ASSERT_EQ(std::char_traits<char>::length(kPasswordTable[i]), std::size_t(kPasswordEntrySize)) << i;
        if (i > 0) {
            EXPECT_FALSE(signedLess(keyOf(kPasswordTable[i]), keyOf(kPasswordTable[i - 1])))
                << "entry " << i << " is out of order";
        }
    }
}

TEST(PasswordTable, EveryPasswordOfTheDefaultListIsFoundAndNothingElse)
{
    const auto list = readList(QStringLiteral(PASSWORD_LIST));
    ASSERT_EQ(list.size(), 200u);
    std::set<std::string> keys;
    for (int i = 0; i < kPasswordCount; ++i)
        keys.insert(keyOf(kPasswordTable[i]));
    EXPECT_EQ(keys, std::set<std::string>(list.begin(), list.end()));
    for (const auto& password : list)
        EXPECT_TRUE(FindPassword(password)) << password;
}

TEST(PasswordLookup, AgreesWithBruteForceOnTheBuiltInTable)
{
    std::mt19937 rng(12345);
    std::vector<std::string> probes;
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789#\xE4\x7F\x80\xFF";
    for (int i = 0; i < kPasswordCount; ++i) {
        const std::string key = keyOf(kPasswordTable[i]);
        probes.push_back(key);
        // Near misses: one character one step up or down, at every position,
        // and a random character at a random position.
        for (int k = 0; k < kPasswordLength; ++k) {
            std::string up = key, down = key;
            up[k] = static_cast<char>(up[k] + 1);
            down[k] = static_cast<char>(down[k] - 1);
            probes.push_back(up);
            probes.push_back(down);
        }
        std::string random = key;
        random[rng() % kPasswordLength] = alphabet[rng() % alphabet.size()];
        probes.push_back(random);
        // Case changed: passwords are case-sensitive.
        std::string swapped = key;
        for (char& c : swapped)
            c = std::isupper(static_cast<unsigned char>(c)) ? char(std::tolower(c)) : char(std::toupper(c));
        probes.push_back(swapped);
    }
    for (int i = 0; i < 2000; ++i) {
        std::string p;
        for (int k = 0; k < kPasswordLength; ++k)
            p.push_back(alphabet[rng() % alphabet.size()]);
        probes.push_back(p);
    }
    int found = 0;
    for (const auto& p : probes) {
        const bool expected = bruteForce(kPasswordTable, kPasswordCount, p);
        EXPECT_EQ(FindPassword(p), expected) << p;
        found += expected ? 1 : 0;
    }
    EXPECT_GE(found, kPasswordCount);  // the probes did hit the table
}

TEST(PasswordLookup, WrongLengthsAreNotFound)
{
    const std::string key = keyOf(kPasswordTable[0]);
    EXPECT_TRUE(FindPassword(key));
    EXPECT_FALSE(FindPassword(key.substr(0, 5)));
    EXPECT_FALSE(FindPassword(key + "x"));
    EXPECT_FALSE(FindPassword(""));
}

TEST(PasswordLookup, ComparesBytesAsSigned)
{
    // Bytes from 0x80 sort before every ASCII byte in signed order; an
    // unsigned comparison would stop the scan early and miss them.
    const std::vector<std::string> keys = {"\xE4" "bcdef", "abcdef", "abcde\xFC", "abcdez", "zzzzzz",
                                           "\x80\x80\x80\x80\x80\x80"};
    const auto table = makeTable(keys);
    ASSERT_EQ(keyOf(asTable(table)[0]), std::string(6, '\x80'));
    for (const auto& k : keys)
        EXPECT_TRUE(FindPassword(asTable(table), int(table.size()), k)) << k;
    for (const std::string miss : {"abcdeg", "\xE4" "bcdeg", "abcde\xFD", "000000", "zzzzz{", "\xFF\xFF\xFF\xFF\xFF\xFF"}) {
        EXPECT_FALSE(FindPassword(asTable(table), int(table.size()), miss)) << miss;
        EXPECT_FALSE(bruteForce(asTable(table), int(table.size()), miss));
    }
}

TEST(PasswordLookup, OnlyKeyPositionsCount)
{
    auto table = makeTable({"abcdef"});
    // Filler changes do not matter.
    for (int pos = 0; pos < kPasswordEntrySize; ++pos) {
        if (pos % kPasswordKeyStep != 0)
            table[0][pos] = '?';
    }
    EXPECT_TRUE(FindPassword(asTable(table), 1, "abcdef"));
    EXPECT_FALSE(FindPassword(asTable(table), 1, "abcdeg"));
    EXPECT_FALSE(FindPassword(asTable(table), 0, "abcdef"));
}

TEST(PasswordBytes, TypedTextBecomesSingleBytes)
{
    EXPECT_EQ(PasswordBytes(QStringLiteral("Mävik7")), std::string("M\xE4vik7"));
    EXPECT_FALSE(PasswordBytes(QStringLiteral("€uvwxy")).has_value());
    EXPECT_FALSE(PasswordBytes(QStringLiteral("a\u0100bcde")).has_value());
    // The umlaut password of the default list is accepted as typed.
    EXPECT_TRUE(FindPassword(*PasswordBytes(QStringLiteral("Mävik7"))));
}

namespace {

struct GenResult {
    int exitCode = -1;
    QString errors;
    QByteArray output;
};

GenResult runGenerator(const QByteArray& list)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("list.txt"));
    const QString out = dir.filePath(QStringLiteral("table.cpp"));
    QFile f(in);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(list);
    f.close();
    QProcess p;
    p.start(QStringLiteral(PASSWORD_TABLE_GEN), {in, out});
    EXPECT_TRUE(p.waitForFinished(30000));
    GenResult r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.errors = QString::fromLocal8Bit(p.readAllStandardError());
    QFile o(out);
    if (o.open(QIODevice::ReadOnly))
        r.output = o.readAll();
    return r;
}

// The string literals of a generated table, escapes decoded.
std::vector<std::string> parseEntries(const QByteArray& source)
{
    std::vector<std::string> entries;
    const int start = source.indexOf("= {");
    for (int i = start; i >= 0 && i < source.size(); ++i) {
        if (source[i] != '"')
            continue;
        std::string s;
        for (++i; i < source.size() && source[i] != '"'; ++i) {
            if (source[i] == '\\') {
                s.push_back(static_cast<char>(((source[i + 1] - '0') << 6) | ((source[i + 2] - '0') << 3) |
                                              (source[i + 3] - '0')));
                i += 3;
            } else {
                s.push_back(source[i]);
            }
        }
        entries.push_back(s);
    }
    return entries;
}

}  // namespace

TEST(PasswordTableGenerator, SortsSignedPadsAndEscapes)
{
    const auto r = runGenerator("# comment\r\n\r\nzzzzzz\r\nM\xC3\xA4vik7\nab\"\\?1\nAAAAAA\nzzzzzz\n\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\n");
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.output.contains("#include \"core/password_table.h\""));
    EXPECT_TRUE(r.output.contains("kPasswordTable[kPasswordCount][kPasswordEntrySize + 1]"));
    const auto entries = parseEntries(r.output);
    ASSERT_EQ(entries.size(), 200u);
    std::vector<std::string> keys;
    for (const auto& e : entries) {
        ASSERT_EQ(e.size(), std::size_t(kPasswordEntrySize));
        std::string k;
        for (int i = 0; i < kPasswordLength; ++i)
            k.push_back(e[i * kPasswordKeyStep]);
        keys.push_back(k);
    }
    // Signed order: 0xFF and 0xE4 (negative) before ASCII; duplicates once;
    // the rest padded with the last key.
    const std::vector<std::string> expected = {"\xFF\xFF\xFF\xFF\xFF\xFF", "AAAAAA", "M\xE4vik7", "ab\"\\?1", "zzzzzz"};
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + 5), expected);
    for (std::size_t i = 5; i < keys.size(); ++i)
        EXPECT_EQ(keys[i], "zzzzzz");
    // Filler is printable ASCII and differs between entries.
    EXPECT_NE(entries[5], entries[6]);
    for (const auto& e : entries) {
        for (int i = 0; i < kPasswordEntrySize; ++i) {
            if (i % kPasswordKeyStep) {
                EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(e[i]))) << e;
            }
        }
    }
    // Same list, same file.
    EXPECT_EQ(runGenerator("zzzzzz\nM\xC3\xA4vik7\nab\"\\?1\nAAAAAA\n\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\n").output,
              r.output);
}

TEST(PasswordTableGenerator, RefusesBadLists)
{
    EXPECT_NE(runGenerator("abcde\n").exitCode, 0);             // too short
    EXPECT_NE(runGenerator("abcdefg\n").exitCode, 0);           // too long
    EXPECT_NE(runGenerator("# only a comment\n").exitCode, 0);  // empty
    EXPECT_NE(runGenerator("abc\xE2\x82\xAC" "de\n").exitCode, 0);  // euro sign: no single byte here
    EXPECT_NE(runGenerator("abc\tde\n").exitCode, 0);           // control character
    QByteArray many;
    for (int i = 0; i < 201; ++i)
        many += QByteArray::number(100000 + i) + '\n';
    const auto r = runGenerator(many);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("201")));
    many.chop(7);  // 200 exactly
    EXPECT_EQ(runGenerator(many).exitCode, 0);
}
