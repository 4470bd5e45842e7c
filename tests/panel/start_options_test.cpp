// The program's start options and the "Diagnose" button they control.
#include "panel/main_dialog.h"
#include "start_options.h"
#include "support/recording_ui.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace lumo {
namespace {

QStringList qtArgs(const StartOptions& o) { return o.qtArguments; }

TEST(StartOptions, OwnOptionsAreTakenOutAndQtOptionsGoToQtWithTheirValues)
{
    const StartOptions o = parseStartOptions(
        {"lumotool", "-platform", "offscreen", "--diagnose", "--simulator", "-style=fusion",
         "--trace", "/tmp/line trace.txt", "-reverse", "-qwindowtitle", "--diagnose"});
    EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_TRUE(o.diagnose);
    EXPECT_TRUE(o.simulator);
    EXPECT_FALSE(o.help);
    EXPECT_FALSE(o.version);
    EXPECT_EQ(o.traceFile, QStringLiteral("/tmp/line trace.txt"));
    // A Qt option's value is Qt's even when it looks like one of ours.
    EXPECT_EQ(qtArgs(o), (QStringList{"lumotool", "-platform", "offscreen", "-style=fusion", "-reverse",
                                      "-qwindowtitle", "--diagnose"}));

    const StartOptions plain = parseStartOptions({"lumotool", "--trace=t.log"});
    EXPECT_TRUE(plain.error.isEmpty());
    EXPECT_FALSE(plain.diagnose);
    EXPECT_FALSE(plain.simulator);
    EXPECT_EQ(plain.traceFile, QStringLiteral("t.log"));
    EXPECT_EQ(qtArgs(plain), QStringList{"lumotool"});
}

TEST(StartOptions, UnknownOptionsMissingValuesAndStrayArgumentsAreErrors)
{
    for (const QStringList& args : {QStringList{"lumotool", "--Simulator"},
                                    QStringList{"lumotool", "--diagnose=1"},
                                    QStringList{"lumotool", "-x"},
                                    QStringList{"lumotool", "--trace"},
                                    QStringList{"lumotool", "--trace="},
                                    QStringList{"lumotool", "-platform"},
                                    QStringList{"lumotool", "file.txt"}}) {
        const StartOptions o = parseStartOptions(args);
        EXPECT_FALSE(o.error.isEmpty()) << args.join(' ').toStdString();
        EXPECT_FALSE(o.simulator || o.diagnose || o.help || o.version);
    }
    EXPECT_TRUE(parseStartOptions({"lumotool", "--bogus"}).error.contains("bogus"));
}

TEST(StartOptions, HelpAndVersionAndTheUsageListsEveryOption)
{
    for (const char* flag : {"--help", "-h"}) EXPECT_TRUE(parseStartOptions({"lumotool", flag}).help) << flag;
    for (const char* flag : {"--version", "-v"})
        EXPECT_TRUE(parseStartOptions({"lumotool", flag}).version) << flag;
    const QString text = usageText(QStringLiteral("/usr/bin/lumotool"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Usage: lumotool "))) << text.toStdString();
    for (const char* option : {"--simulator", "--diagnose", "--trace FILE", "--help", "--version"})
        EXPECT_TRUE(text.contains(QLatin1String(option))) << option;
}

class DiagnosisButtonTest : public ::testing::Test {
protected:
    void SetUp() override { test::testApplication(); }
    QPushButton* button(MainDialog& d)
    {
        return qobject_cast<QPushButton*>(d.control(MainDialog::kIdDiagnosis));
    }
    test::RecordingUi ui_;
};

TEST_F(DiagnosisButtonTest, HiddenUnlessAskedFor)
{
    MainDialog d;
    ASSERT_NE(button(d), nullptr);
    EXPECT_FALSE(d.diagnosisButtonVisible());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_FALSE(button(d)->isVisible());
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(DiagnosisButtonTest, ShownButtonIsOnTheTabChainAfterCounters)
{
    MainDialog d;
    d.setDiagnosisButtonVisible(true);  // before the dialog shows, as at start-up
    EXPECT_TRUE(d.diagnosisButtonVisible());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QPushButton* diagnose = button(d);
    EXPECT_TRUE(diagnose->isVisible());
    EXPECT_EQ(diagnose->text(), QStringLiteral("Diagnose"));
    EXPECT_GT(diagnose->width(), 0);

    // Tab from "Zählerstände" reaches it.
    QWidget* counters = d.control(MainDialog::kIdCounters);
    ASSERT_NE(counters, nullptr);
    d.activateWindow();
    counters->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counters->hasFocus(); }));
    QTest::keyClick(counters, Qt::Key_Tab);
    EXPECT_TRUE(diagnose->hasFocus());

    d.setDiagnosisButtonVisible(false);
    EXPECT_FALSE(diagnose->isVisible());
    EXPECT_FALSE(d.diagnosisButtonVisible());
}

}  // namespace
}  // namespace lumo
