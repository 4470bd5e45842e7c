#include "core/password_table.h"

namespace lumo {

bool FindPassword(const PasswordEntry* table, int count, std::string_view password)
{
    if (password.size() != static_cast<std::size_t>(kPasswordLength) || count <= 0)
        return false;
    auto key = [table](int i, int k) { return static_cast<signed char>(PasswordKeyChar(table[i], k)); };
    int i = 0;
    for (int k = 0; k < kPasswordLength; ++k) {
        const auto p = static_cast<signed char>(password[k]);
        while (i < count && key(i, k) < p)
            ++i;
        if (i >= count)
            return false;
        if (key(i, k) > p)
            return false;
    }
    for (int k = 0; k < kPasswordLength; ++k) {
        if (key(i, k) != static_cast<signed char>(password[k]))
            return false;
    }
    return true;
}

bool FindPassword(std::string_view password)
{
    return FindPassword(kPasswordTable, kPasswordCount, password);
}

std::optional<std::string> PasswordBytes(const QString& typed)
{
    std::string bytes;
    bytes.reserve(typed.size());
    for (const QChar c : typed) {
        const char16_t u = c.unicode();
        // Latin-1 agrees with Windows-1252 outside 0x80..0x9F; those bytes
        // (and every character beyond U+00FF) never appear in the table.
        if (u > 0xFF || (u >= 0x80 && u <= 0x9F))
            return std::nullopt;
        bytes.push_back(static_cast<char>(u));
    }
    return bytes;
}

}  // namespace lumo
