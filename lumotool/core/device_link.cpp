#include "core/device_link.h"

#include "core/ui_seam.h"

#include <gardolink.h>

#include <QByteArray>

namespace lumo {

namespace {

struct CommErrorText {
    int32_t code;
    const char* text;  // UTF-8
};

// Every status code with a text of its own; anything else is unknown.
constexpr CommErrorText kCommErrors[] = {
    {1, "Kommando wurde zurückgewiesen! (Reject)"},
    {2, "Kommando ist fehlerhaft! (NACK)"},
    {3, "Unbekannte Geräte-Antwort wurde empfangen!"},
    {-1153, "Timeout-Fehler, es konnte kein Zeichen gesendet!"},
    {-1154, "Timeout-Fehler, es wurde kein Zeichen empfangen!"},
    {-1155, "Übertragungsfehler beim Lesen dedektiert!"},
    {-1156, "Ungültige Parameter der seriellen Schnittstelle!"},
    {-1157, "Unbekannter Fehlertyp ist aufgetreten!"},
    {-1158, "Falsche Parameter der seriellen Schnittstelle!"},
    {-1159, "Es ist ein nicht dokumentierter Fehler aufgetreten!"},
    {-1160, "Beim Senden und Empfang ist ein nicht dokumentierter Fehler aufgetreten!"},
    {-1161, "Empfangsspeicher ist voll!"},
    {-1162, "Nicht verfügbare Schnittstelle angewählt oder\nDatenüberlauf ist aufgetreten!"},
    {-1163, "Parity-Fehler ist aufgetreten!"},
    {-1164, "Frame-Fehler ist aufgetreten!"},
    {-1165, "Break wurde empfangen!"},
    {-1166, "CTS Zeitüberlauf ist aufgetreten!"},
    {-1167, "DSR Zeitüberlauf ist aufgetreten!"},
    {-1168, "CD Zeitüberlauf ist aufgetreten!"},
    {-1169, "Sendespeicher ist voll!"},
    {-1170, "Zeitüberlauf am Parallelport ist aufgetreten!"},
    {-1171, "Fehler am Parallelport ist aufgetreten!"},
    {-1172, "Parallelport nicht angewählt!"},
    {-1173, "Kein Papier!"},
};

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

int32_t DeviceLink::OpenConnection(const QString& port)
{
    // Port names are plain ASCII ("COM3:") or a device path.
    const QByteArray name = port.toLocal8Bit();
    return checked(InitCommunication(name.constData(), kBaud));
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
