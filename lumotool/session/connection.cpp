#include "session/connection.h"

#include "session/reads.h"

namespace lumo::session {

ConnectOutcome Connect(DeviceLink& link, const QString& portText)
{
    return Connect(link, portText, ConnectSettings{});
}

ConnectOutcome Connect(DeviceLink& link, const QString& portText, const ConnectSettings& settings,
                       ConnectDetails* details)
{
    ConnectDetails unused;
    ConnectDetails& d = details ? *details : unused;
    d = {};
    if ((d.status = link.OpenConnection(portText, settings.baud)) != 0) return ConnectOutcome::OpenFailed;
    if (settings.byteWaitMs > 0) link.SetByteWait(settings.byteWaitMs);
    if ((d.status = ReadIdentification(link, &d.identification)) != 0) {
        d.identification.clear();
        link.CloseConnection();
        return ConnectOutcome::NoAnswer;
    }
    return ConnectOutcome::Connected;
}

}  // namespace lumo::session
