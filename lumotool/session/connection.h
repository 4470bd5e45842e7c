// Opening the one connection of the program: the port at 4800 baud (or the
// rate given), then a probe that a controller answers (its identification
// number). A failed probe closes the connection again, so every attempt
// starts closed.
#pragma once

#include "core/device_link.h"

#include <QString>

#include <cstdint>

namespace lumo::session {

enum class ConnectOutcome {
    Connected,   // open, and the controller answered
    OpenFailed,  // the port did not open (the device link showed why)
    NoAnswer,    // the port opened but no controller answered; closed again
};

struct ConnectSettings {
    int32_t baud = DeviceLink::kBaud;
    int32_t byteWaitMs = 0;  // 0: the serial library's own wait for each byte
};

// What an attempt found out.
struct ConnectDetails {
    int32_t status = 0;      // of the failed call, 0 when connected
    QString identification;  // "%010u", when connected
};

// portText is the serial library's port text, e.g. "COM3:".
ConnectOutcome Connect(DeviceLink& link, const QString& portText);
ConnectOutcome Connect(DeviceLink& link, const QString& portText, const ConnectSettings& settings,
                       ConnectDetails* details = nullptr);

}  // namespace lumo::session
