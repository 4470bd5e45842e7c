// Builds the login's password table from a list of passwords.
//
//   password_table_gen LIST OUTPUT.cpp
//
// LIST: UTF-8 text, one password per line, exactly six characters each from
// U+0020..U+007E and U+00A0..U+00FF (they become single Windows-1252 bytes);
// empty lines and lines starting with "#" are skipped, a trailing "\r" is
// dropped, repeated passwords count once. At most 200 passwords.
//
// OUTPUT: a C++ source defining lumo::kPasswordTable: 200 entries of 18
// characters, the password's characters at positions 0, 3, 6, ..., 15 and
// filler characters between them, in ascending order of the passwords with
// each byte compared as a signed 8-bit number (the order the lookup relies
// on). A list shorter than 200 is padded with copies of its last password,
// which keeps the order and adds no password. The filler is derived from
// the password, so the same list always gives the same file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kCount = 200;
constexpr int kEntrySize = 18;
constexpr int kLength = 6;
constexpr int kStep = 3;

// Decodes one line of UTF-8 into single bytes; false when a character lies
// outside the allowed range or the UTF-8 is malformed.
bool decodeLine(const std::string& line, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < line.size();) {
        const auto c = static_cast<unsigned char>(line[i]);
        unsigned code = 0;
        if (c < 0x80) {
            code = c;
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < line.size() &&
                   (static_cast<unsigned char>(line[i + 1]) & 0xC0) == 0x80) {
            code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(line[i + 1]) & 0x3Fu);
            if (code < 0x80)
                return false;  // overlong form
            i += 2;
        } else {
            return false;  // beyond U+07FF or malformed
        }
        const bool ok = (code >= 0x20 && code <= 0x7E) || (code >= 0xA0 && code <= 0xFF);
        if (!ok)
            return false;
        out.push_back(static_cast<char>(code));
    }
    return true;
}

bool signedLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<signed char>(x) < static_cast<signed char>(y);
    });
}

std::string makeEntry(const std::string& key, int index)
{
    static const char kFiller[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    constexpr unsigned kFillerCount = sizeof(kFiller) - 1;
    // FNV-1a of the key and the index seeds a small generator.
    uint32_t h = 2166136261u;
    for (char c : key)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    h = (h ^ static_cast<uint32_t>(index)) * 16777619u;
    std::string entry(kEntrySize, ' ');
    for (int pos = 0; pos < kEntrySize; ++pos) {
        if (pos % kStep == 0) {
            entry[pos] = key[pos / kStep];
        } else {
            h ^= h << 13;
            h ^= h >> 17;
            h ^= h << 5;
            entry[pos] = kFiller[h % kFillerCount];
        }
    }
    return entry;
}

// A C string literal for the bytes: printable ASCII as is, the rest as
// three-digit octal escapes (never continued by a following digit).
std::string literal(const std::string& bytes)
{
    std::string s = "\"";
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c <= 0x7E && c != '"' && c != '\\' && c != '?') {
            s.push_back(static_cast<char>(c));
        } else {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            s += buf;
        }
    }
    return s + "\"";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: password_table_gen LIST OUTPUT.cpp\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::vector<std::string> keys;
    std::string line, key;
    int lineNo = 0;
    bool bad = false;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);  // byte order mark
        if (line.empty() || line[0] == '#')
            continue;
        if (!decodeLine(line, key)) {
            std::cerr << argv[1] << ":" << lineNo << ": character outside U+0020..U+007E, U+00A0..U+00FF\n";
            bad = true;
        } else if (key.size() != kLength) {
            std::cerr << argv[1] << ":" << lineNo << ": a password has exactly " << kLength
                      << " characters, this one " << key.size() << "\n";
            bad = true;
        } else {
            keys.push_back(key);
        }
    }
    if (bad)
        return 1;
    std::sort(keys.begin(), keys.end(), signedLess);
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    if (keys.empty()) {
        std::cerr << argv[1] << ": no password in the list\n";
        return 1;
    }
    if (keys.size() > static_cast<std::size_t>(kCount)) {
        std::cerr << argv[1] << ": " << keys.size() << " passwords; the table holds " << kCount << "\n";
        return 1;
    }
    const std::size_t given = keys.size();
    while (keys.size() < static_cast<std::size_t>(kCount))
        keys.push_back(keys.back());

    std::ostringstream out;
    std::string listName = argv[1];
    listName = listName.substr(listName.find_last_of('/') + 1);
    out << "// Generated by password_table_gen from " << listName << " (" << given
        << " passwords); do not edit.\n"
        << "#include \"core/password_table.h\"\n\n"
        << "namespace lumo {\n\n"
        << "const char kPasswordTable[kPasswordCount][kPasswordEntrySize + 1] = {\n";
    for (int i = 0; i < kCount; ++i)
        out << "    " << literal(makeEntry(keys[i], i)) << ",\n";
    out << "};\n\n}  // namespace lumo\n";

    const std::string text = out.str();
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
