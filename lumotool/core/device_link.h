// DeviceLink: the one road from the dialogs to the controller. Each
// operation calls one gardolink export and returns its status unchanged;
// on a non-zero status every operation but ReadClock first shows the German
// communication error message. Stateless: the connection lives in serlink,
// so every instance talks over the same port.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

namespace lumo {

class DeviceLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~DeviceLink() override = default;

    static constexpr int32_t kBaud = 4800;

    int32_t OpenConnection(const QString& port);
    int32_t CloseConnection();
    int32_t ReadProcessData(int32_t address, int32_t count, uint8_t* dest);
    int32_t WriteProcessData(int32_t address, int32_t count, const uint8_t* src);
    int32_t ReadProgram(int32_t address, int32_t count, uint8_t* dest);
    int32_t WriteProgram(int32_t address, int32_t count, const uint8_t* src);
    // Shows nothing on failure: the caller treats it as a failed read.
    int32_t ReadClock(int32_t address, int32_t count, uint8_t* dest);
    int32_t WriteClock(int32_t address, int32_t count, const uint8_t* src);
    int32_t StartDevice();
    int32_t StopDevice();
    int32_t ApplyProgram();

    // "Kommunikations-Fehler" box for the code: stop icon, one OK button,
    // modal over the whole application. Returns when the box is closed.
    static void ShowCommError(int32_t status);
    // The text for a status code in the language in use ("Unbekannter
    // Fehler!" for any code without its own text).
    static QString CommErrorText(int32_t status);
    // The caption of that box, in the language in use.
    static QString CommErrorCaption();

private:
    static int32_t checked(int32_t status);
};

}  // namespace lumo
