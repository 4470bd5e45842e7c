// DeviceLink: the one road from the dialogs to the controller. Each
// operation calls one gardolink export and returns its status unchanged;
// on a non-zero status every operation but ReadClock first shows the
// communication error message in the language in use. Stateless: the connection lives in serlink,
// so every instance talks over the same port. A plain class: the command
// line uses it without anything of the desktop.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <cstdint>

namespace lumo {

class DeviceLink {
    Q_DECLARE_TR_FUNCTIONS(lumo::DeviceLink)

public:
    static constexpr int32_t kBaud = 4800;

    // Opens the port at the controller's rate (or another one, for a
    // controller set to it).
    int32_t OpenConnection(const QString& port, int32_t baud = kBaud);
    // How long the serial library waits for each byte from now on. Returns
    // the wait in force (the library's answer: it cannot fail).
    int32_t SetByteWait(int32_t ms);
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
