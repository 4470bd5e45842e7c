#include "session/connection.h"

#include "session/reads.h"

namespace lumo::session {

ConnectOutcome Connect(DeviceLink& link, const QString& portText)
{
    if (link.OpenConnection(portText) != 0) return ConnectOutcome::OpenFailed;
    QString identification;
    if (ReadIdentification(link, &identification) != 0) {
        link.CloseConnection();
        return ConnectOutcome::NoAnswer;
    }
    return ConnectOutcome::Connected;
}

}  // namespace lumo::session
