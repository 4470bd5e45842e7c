// DeviceLink: the message table and what each operation shows, against the
// simulated controller.
#include "core/device_link.h"

#include "support/sim_link.h"
#include "support/recording_ui.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

using namespace lumo;
using lumo::test::RecordingUi;

TEST(CommErrorText, EveryCodeOfTheBlockHasItsOwnText)
{
    std::set<QString> texts;
    for (int32_t code = -1173; code <= -1153; ++code) {
        const QString text = DeviceLink::CommErrorText(code);
        EXPECT_NE(text, QStringLiteral("Unbekannter Fehler!")) << code;
        texts.insert(text);
    }
    for (int32_t code = 1; code <= 3; ++code)
        texts.insert(DeviceLink::CommErrorText(code));
    EXPECT_EQ(texts.size(), 24u);  // no text used twice
}

TEST(CommErrorText, ExactTexts)
{
    EXPECT_EQ(DeviceLink::CommErrorText(1), QStringLiteral("Kommando wurde zurückgewiesen! (Reject)"));
    EXPECT_EQ(DeviceLink::CommErrorText(2), QStringLiteral("Kommando ist fehlerhaft! (NACK)"));
    EXPECT_EQ(DeviceLink::CommErrorText(3), QStringLiteral("Unbekannte Geräte-Antwort wurde empfangen!"));
    EXPECT_EQ(DeviceLink::CommErrorText(-1153), QStringLiteral("Timeout-Fehler, es konnte kein Zeichen gesendet!"));
    EXPECT_EQ(DeviceLink::CommErrorText(-1155), QStringLiteral("Übertragungsfehler beim Lesen dedektiert!"));
    EXPECT_EQ(DeviceLink::CommErrorText(-1162),
              QStringLiteral("Nicht verfügbare Schnittstelle angewählt oder\nDatenüberlauf ist aufgetreten!"));
    EXPECT_EQ(DeviceLink::CommErrorText(-1166), QStringLiteral("CTS Zeitüberlauf ist aufgetreten!"));
    EXPECT_EQ(DeviceLink::CommErrorText(-1173), QStringLiteral("Kein Papier!"));
    for (int32_t code : {0, 4, 5, 6, -1, -1152, -1174, 1000, INT32_MIN, INT32_MAX})
        EXPECT_EQ(DeviceLink::CommErrorText(code), QStringLiteral("Unbekannter Fehler!")) << code;
}

TEST(ShowCommError, StopIconOneOkApplicationModalNoOwner)
{
    RecordingUi rec;
    DeviceLink::ShowCommError(-1154);
    ASSERT_EQ(rec.count(), 1u);
    const auto m = rec.last();
    EXPECT_EQ(m.caption, QStringLiteral("Kommunikations-Fehler"));
    EXPECT_EQ(m.text, QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(m.modality, Modality::Application);
    EXPECT_EQ(m.parent, nullptr);
}

TEST(DeviceLinkOps, MissingPortShowsTheTwoLineMessage)
{
    RecordingUi rec;
    DeviceLink link;
    const int32_t status = link.OpenConnection(QStringLiteral("COM77:"));  // no entry, /dev/ttyS76
    EXPECT_EQ(status, -1162);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.last().text.split(QLatin1Char('\n')),
              QStringList({QStringLiteral("Nicht verfügbare Schnittstelle angewählt oder"),
                           QStringLiteral("Datenüberlauf ist aufgetreten!")}));
}

class DeviceLinkSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(port.start(4));
        ASSERT_EQ(link.OpenConnection(QStringLiteral("COM4:")), 0);
        ASSERT_EQ(rec.count(), 0u);
    }
    void TearDown() override { link.CloseConnection(); }

    lumo::test::SimLink port;
    RecordingUi rec;
    DeviceLink link;
};

TEST_F(DeviceLinkSim, SuccessfulOperationsShowNothing)
{
    port->poke(gardosim::Area::Program, 1680, std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12});
    uint8_t buf[4] = {};
    EXPECT_EQ(link.ReadProgram(1680, 4, buf), 0);
    EXPECT_EQ(buf[0], 0x78);
    EXPECT_EQ(buf[3], 0x12);
    const uint8_t two[2] = {0x34, 0x12};
    EXPECT_EQ(link.WriteProcessData(78, 2, two), 0);
    EXPECT_EQ(port->peek(gardosim::Area::Process, 78, 2), (std::vector<uint8_t>{0x34, 0x12}));
    EXPECT_EQ(link.ReadProcessData(78, 2, buf), 0);
    EXPECT_EQ(buf[0], 0x34);
    EXPECT_EQ(link.StopDevice(), 0);
    EXPECT_FALSE(port->running());
    EXPECT_EQ(link.StartDevice(), 0);
    EXPECT_TRUE(port->running());
    EXPECT_EQ(rec.count(), 0u);
}

TEST_F(DeviceLinkSim, ReadTimeoutShowsOneMessageAfterAllAttempts)
{
    port.silence();
    uint8_t buf[4] = {};
    EXPECT_EQ(link.ReadProcessData(78, 4, buf), -1154);
    EXPECT_EQ(port->frameCount(), 4u);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.last().text, QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));
}

TEST_F(DeviceLinkSim, BadLengthAndRejectMessages)
{
    uint8_t buf[8] = {};
    port->inject(gardosim::FaultKind::BadLength, 1, 9);
    EXPECT_EQ(link.ReadProgram(1680, 4, buf), 5);
    port->inject(gardosim::FaultKind::Reject, 1);
    EXPECT_EQ(link.ApplyProgram(), 1);
    ASSERT_EQ(rec.count(), 2u);
    EXPECT_EQ(rec.messages()[0].text, QStringLiteral("Unbekannter Fehler!"));
    EXPECT_EQ(rec.messages()[1].text, QStringLiteral("Kommando wurde zurückgewiesen! (Reject)"));
}

TEST_F(DeviceLinkSim, FailedClockReadShowsNothingButOtherClockWritesDo)
{
    port.silence();
    uint8_t clock[7] = {};
    EXPECT_EQ(link.ReadClock(0, 7, clock), -1154);
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(link.WriteClock(0, 7, clock), -1154);
    EXPECT_EQ(rec.count(), 1u);
}
