// The login's password table and its lookup.
//
// The table has 200 entries of 18 characters. An entry stands for the
// password made of its characters at positions 0, 3, 6, 9, 12 and 15 (the
// key); the characters between are filler. The entries are in ascending
// order of their keys, each character compared as a signed 8-bit number.
// The table is generated at build time from a list of passwords
// (lumotool/tools/password_table_gen.cpp).
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

inline constexpr int kPasswordCount = 200;
inline constexpr int kPasswordEntrySize = 18;
inline constexpr int kPasswordLength = 6;
inline constexpr int kPasswordKeyStep = 3;

using PasswordEntry = char[kPasswordEntrySize + 1];

extern const char kPasswordTable[kPasswordCount][kPasswordEntrySize + 1];

// Key character k (0..5) of an entry.
inline char PasswordKeyChar(const PasswordEntry& entry, int k)
{
    return entry[k * kPasswordKeyStep];
}

// One forward scan over a table held in key order: for each key position
// the scan moves on while the entry's character is below the password's,
// and gives up as soon as it is above or the table ends. Finds the password
// exactly when an entry's key equals it. Characters compare as signed bytes.
bool FindPassword(const PasswordEntry* table, int count, std::string_view password);
// The same in the built-in table.
bool FindPassword(std::string_view password);

// The single-byte (Windows-1252) form of a typed password; nullopt when a
// character has no byte of its own in the range the table can hold
// (it cannot be in the table then).
std::optional<std::string> PasswordBytes(const QString& typed);

}  // namespace lumo
