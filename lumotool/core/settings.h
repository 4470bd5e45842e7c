// The program's one per-user setting: the number of the serial port, stored
// under the settings root "Mavik", program "lumotool", section
// "Einstellungen", value "Schnittstelle" (integer; 0 when absent).
#pragma once

#include <QString>

namespace lumo {

class Settings {
public:
    static inline const QString kOrganization = QStringLiteral("Mavik");
    static inline const QString kApplication = QStringLiteral("lumotool");
    static inline const QString kSection = QStringLiteral("Einstellungen");
    static inline const QString kPortValue = QStringLiteral("Schnittstelle");
    // The port numbers a user may choose, and the serial library's port
    // text for one ("COM3:").
    static constexpr int kMinPort = 1;
    static constexpr int kMaxPort = 99;
    static QString PortText(int port) { return QStringLiteral("COM%1:").arg(port); }

    // The stored port number; 0 when none, no integer, or one beyond the
    // int range is stored.
    static int ReadPort();
    // Stores the port number; false when the settings could not be written.
    static bool WritePort(int port);
};

}  // namespace lumo
