// Opening the one connection of the program: the port at 4800 baud, then a
// probe that a controller answers (its identification number). A failed
// probe closes the connection again, so every attempt starts closed.
#pragma once

#include "core/device_link.h"

#include <QString>

namespace lumo::session {

enum class ConnectOutcome {
    Connected,   // open, and the controller answered
    OpenFailed,  // the port did not open (the device link showed why)
    NoAnswer,    // the port opened but no controller answered; closed again
};

// portText is the serial library's port text, e.g. "COM3:".
ConnectOutcome Connect(DeviceLink& link, const QString& portText);

}  // namespace lumo::session
