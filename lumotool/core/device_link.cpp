#include "core/device_link.h"

#include "core/ui_seam.h"

#include <gardolink.h>
#include <serlink.h>

#include <QByteArray>

namespace lumo {

namespace {

struct CommErrorText {
    int32_t code;
    const char* text;  // UTF-8, German, translated when shown
};

// Two codes the controller's message table knows that the serial library
// has no name for: a send-and-receive failure it does not document, and the
// paper flag (bit 12) of the error word, which a serial port never sets.
constexpr int32_t kUndocumentedTransfer = -1160;
constexpr int32_t kNoPaper = SERLINK_E_RX_OVERFLOW - 12;

// Every status code with a text of its own; anything else is unknown.
constexpr CommErrorText kCommErrors[] = {
    {GARDO_REJECTED, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Kommando wurde zurückgewiesen! (Reject)")},
    {GARDO_FAULTY, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Kommando ist fehlerhaft! (NACK)")},
    {GARDO_UNKNOWN_REPLY, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Unbekannte Geräte-Antwort wurde empfangen!")},
    {SERLINK_E_WRITE_TIMEOUT, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Timeout-Fehler, es konnte kein Zeichen gesendet!")},
    {SERLINK_E_READ_TIMEOUT, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Timeout-Fehler, es wurde kein Zeichen empfangen!")},
    {SERLINK_E_READ_EMPTY, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Übertragungsfehler beim Lesen dedektiert!")},
    {SERLINK_E_BAD_MODE, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Ungültige Parameter der seriellen Schnittstelle!")},
    {SERLINK_E_NO_ERRNO, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Unbekannter Fehlertyp ist aufgetreten!")},
    {SERLINK_E_MODE_FLAG, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Falsche Parameter der seriellen Schnittstelle!")},
    {SERLINK_E_UNMAPPED, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Es ist ein nicht dokumentierter Fehler aufgetreten!")},
    {kUndocumentedTransfer, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Beim Senden und Empfang ist ein nicht dokumentierter Fehler aufgetreten!")},
    {SERLINK_E_RX_OVERFLOW, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Empfangsspeicher ist voll!")},
    {SERLINK_E_OVERRUN, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Nicht verfügbare Schnittstelle angewählt oder\nDatenüberlauf ist aufgetreten!")},
    {SERLINK_E_PARITY, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Parity-Fehler ist aufgetreten!")},
    {SERLINK_E_FRAME, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Frame-Fehler ist aufgetreten!")},
    {SERLINK_E_BREAK, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Break wurde empfangen!")},
    {SERLINK_E_CTS_TIMEOUT, QT_TRANSLATE_NOOP("lumo::DeviceLink", "CTS Zeitüberlauf ist aufgetreten!")},
    {SERLINK_E_DSR_TIMEOUT, QT_TRANSLATE_NOOP("lumo::DeviceLink", "DSR Zeitüberlauf ist aufgetreten!")},
    {SERLINK_E_CD_TIMEOUT, QT_TRANSLATE_NOOP("lumo::DeviceLink", "CD Zeitüberlauf ist aufgetreten!")},
    {SERLINK_E_TX_FULL, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Sendespeicher ist voll!")},
    {SERLINK_E_PAR_TIMEOUT, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Zeitüberlauf am Parallelport ist aufgetreten!")},
    {SERLINK_E_PAR_IO, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Fehler am Parallelport ist aufgetreten!")},
    {SERLINK_E_PAR_NOT_SELECTED, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Parallelport nicht angewählt!")},
    {kNoPaper, QT_TRANSLATE_NOOP("lumo::DeviceLink", "Kein Papier!")},
};
static_assert(kNoPaper == -1173);

constexpr const char* kUnknownError = QT_TRANSLATE_NOOP("lumo::DeviceLink", "Unbekannter Fehler!");

}  // namespace

QString DeviceLink::CommErrorText(int32_t status)
{
    for (const auto& entry : kCommErrors) {
        if (entry.code == status)
            return tr(entry.text);
    }
    return tr(kUnknownError);
}

QString DeviceLink::CommErrorCaption()
{
    return tr("Kommunikations-Fehler");
}

void DeviceLink::ShowCommError(int32_t status)
{
    Message m;
    m.text = CommErrorText(status);
    m.caption = CommErrorCaption();
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
