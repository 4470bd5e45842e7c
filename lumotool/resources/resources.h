// The program's resources by number: icons 128 (application), 129 (green
// lamp), 130 (red lamp) and the string table.
#pragma once

#include <QIcon>
#include <QString>

namespace lumo {

inline constexpr int kIconApp = 128;
inline constexpr int kIconGreenLamp = 129;
inline constexpr int kIconRedLamp = 130;

inline constexpr int kStringAboutBox = 101;

// The icon with that number; a null icon for an unknown number.
QIcon ResourceIcon(int id);
inline QIcon AppIcon() { return ResourceIcon(kIconApp); }
// The string with that number; empty for an unknown number.
QString ResourceString(int id);

}  // namespace lumo
