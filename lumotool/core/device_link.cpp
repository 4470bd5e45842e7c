#include "core/device_link.h"

#include "core/ui_seam.h"

#include <gardolink.h>
#include <serlink.h>

#include <QByteArray>

namespace lumo {

namespace {

struct CommErrorText {
    int32_t code;
    const char* text;  // UTF-8
};

// Two codes the controller's message table knows that the serial library
// has no name for: a send-and-receive failure it does not document, and the
// paper flag (bit 12) of the error word, which a serial port never sets.
constexpr int32_t kUndocumentedTransfer = -1160;
constexpr int32_t kNoPaper = SERLINK_E_RX_OVERFLOW - 12;

// Every status code with a text of its own; anything else is unknown.
constexpr CommErrorText kCommErrors[] = {
    {GARDO_REJECTED, "Kommando wurde zurückgewiesen! (Reject)"},
    {GARDO_FAULTY, "Kommando ist fehlerhaft! (NACK)"},
    {GARDO_UNKNOWN_REPLY, "Unbekannte Geräte-Antwort wurde empfangen!"},
    {SERLINK_E_WRITE_TIMEOUT, "Timeout-Fehler, es konnte kein Zeichen gesendet!"},
    {SERLINK_E_READ_TIMEOUT, "Timeout-Fehler, es wurde kein Zeichen empfangen!"},
    {SERLINK_E_READ_EMPTY, "Übertragungsfehler beim Lesen dedektiert!"},
    {SERLINK_E_BAD_MODE, "Ungültige Parameter der seriellen Schnittstelle!"},
    {SERLINK_E_NO_ERRNO, "Unbekannter Fehlertyp ist aufgetreten!"},
    {SERLINK_E_MODE_FLAG, "Falsche Parameter der seriellen Schnittstelle!"},
    {SERLINK_E_UNMAPPED, "Es ist ein nicht dokumentierter Fehler aufgetreten!"},
    {kUndocumentedTransfer, "Beim Senden und Empfang ist ein nicht dokumentierter Fehler aufgetreten!"},
    {SERLINK_E_RX_OVERFLOW, "Empfangsspeicher ist voll!"},
    {SERLINK_E_OVERRUN, "Nicht verfügbare Schnittstelle angewählt oder\nDatenüberlauf ist aufgetreten!"},
    {SERLINK_E_PARITY, "Parity-Fehler ist aufgetreten!"},
    {SERLINK_E_FRAME, "Frame-Fehler ist aufgetreten!"},
    {SERLINK_E_BREAK, "Break wurde empfangen!"},
    {SERLINK_E_CTS_TIMEOUT, "CTS Zeitüberlauf ist aufgetreten!"},
    {SERLINK_E_DSR_TIMEOUT, "DSR Zeitüberlauf ist aufgetreten!"},
    {SERLINK_E_CD_TIMEOUT, "CD Zeitüberlauf ist aufgetreten!"},
    {SERLINK_E_TX_FULL, "Sendespeicher ist voll!"},
    {SERLINK_E_PAR_TIMEOUT, "Zeitüberlauf am Parallelport ist aufgetreten!"},
    {SERLINK_E_PAR_IO, "Fehler am Parallelport ist aufgetreten!"},
    {SERLINK_E_PAR_NOT_SELECTED, "Parallelport nicht angewählt!"},
    {kNoPaper, "Kein Papier!"},
};
static_assert(kNoPaper == -1173);

constexpr const char* kUnknownError = "Unbekannter Fehler!";

}  // namespace

QString DeviceLink::CommErrorText(int32_t status)
{
    for (const auto& entry : kCommErrors) {
        if (entry.code == status)
            return QString::fromUtf8(entry.text);
    }
    return QString::fromUtf8(kUnknownError);
}

void DeviceLink::ShowCommError(int32_t status)
{
    Message m;
    m.text = CommErrorText(status);
    m.caption = QStringLiteral("Kommunikations-Fehler");
    m.icon = MsgIcon::Stop;
    m.buttons = MsgButtons::Ok;
    m.modality = Modality::Application;
    m.parent = nullptr;
    ui().showMessage(m);
}

int32_t DeviceLink::checked(int32_t status)
{
    if (status != 0)
        ShowCommError(status);
    return status;
}

int32_t DeviceLink::OpenConnection(const QString& port, int32_t baud)
{
    // Port names are plain ASCII ("COM3:") or a device path.
    const QByteArray name = port.toLocal8Bit();
    return checked(InitCommunication(name.constData(), baud));
}

int32_t DeviceLink::SetByteWait(int32_t ms)
{
#if defined(GARDOLINK_REDUCED)
    // The reduced library keeps its fixed wait.
    (void)ms;
    return 0;
#else
    return Change_Wait_Time(ms);
#endif
}

int32_t DeviceLink::CloseConnection()
{
    return checked(CloseCommunication());
}

int32_t DeviceLink::ReadProcessData(int32_t address, int32_t count, uint8_t* dest)
{
    return checked(Read_ProzessData(address, count, dest));
}

int32_t DeviceLink::WriteProcessData(int32_t address, int32_t count, const uint8_t* src)
{
    return checked(Write_ProzessData(address, count, src));
}

int32_t DeviceLink::ReadProgram(int32_t address, int32_t count, uint8_t* dest)
{
    return checked(Read_Program(address, count, dest));
}

int32_t DeviceLink::WriteProgram(int32_t address, int32_t count, const uint8_t* src)
{
    return checked(Write_Program(address, count, src));
}

int32_t DeviceLink::ReadClock(int32_t address, int32_t count, uint8_t* dest)
{
    return Read_Clock(address, count, dest);
}

int32_t DeviceLink::WriteClock(int32_t address, int32_t count, const uint8_t* src)
{
    return checked(Write_Clock(address, count, src));
}

int32_t DeviceLink::StartDevice()
{
    return checked(Start());
}

int32_t DeviceLink::StopDevice()
{
    return checked(Stop());
}

int32_t DeviceLink::ApplyProgram()
{
    return checked(Apply_Program());
}

}  // namespace lumo
