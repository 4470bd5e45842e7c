// The stored port number.
#include "core/settings.h"

#include "support/recording_ui.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

using namespace lumo;

TEST(Settings, PortDefaultsToZeroAndIsStoredUnderItsNames)
{
    const QString file = lumo::test::testConfigHome() + QStringLiteral("/Mavik/lumotool.conf");
    QFile::remove(file);
    EXPECT_EQ(Settings::ReadPort(), 0);
    ASSERT_TRUE(Settings::WritePort(7));
    EXPECT_EQ(Settings::ReadPort(), 7);

    // Where and how it lands: section "Einstellungen", value "Schnittstelle".
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("[Einstellungen]")) << text.constData();
    EXPECT_TRUE(text.contains("Schnittstelle=7")) << text.constData();
}

TEST(Settings, AValueThatIsNoNumberReadsAsZero)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Mavik"), QStringLiteral("lumotool"));
    s.setValue(QStringLiteral("Einstellungen/Schnittstelle"), QStringLiteral("drei"));
    s.sync();
    EXPECT_EQ(Settings::ReadPort(), 0);

    // Numbers an int cannot hold are no port either (not a wrapped one).
    for (const char* text : {"2147483648", "4294967297", "-2147483649", "99999999999999999999"}) {
        s.setValue(QStringLiteral("Einstellungen/Schnittstelle"), QString::fromLatin1(text));
        s.sync();
        EXPECT_EQ(Settings::ReadPort(), 0) << text;
    }
}
