// The program's start options and the "Diagnose" button they control.
#include "panel/main_dialog.h"
#include "start_options.h"
#include "support/recording_ui.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumo {
namespace {

// argv-like storage for parseStartOptions.
struct Args {
    explicit Args(std::vector<std::string> list) : strings(std::move(list))
    {
        for (auto& s : strings) pointers.push_back(s.data());
    }
    int argc() const { return int(pointers.size()); }
    char** argv() { return pointers.data(); }
    std::vector<std::string> strings;
    std::vector<char*> pointers;
};

std::vector<std::string> asStrings(const std::vector<char*>& list)
{
    std::vector<std::string> out;
    for (const char* p : list) out.emplace_back(p);
    return out;
}

TEST(StartOptions, OwnOptionsAreTakenOutAndTheRestGoesToQt)
{
    Args args({"lumotool", "-platform", "offscreen", "--diagnose", "--simulator", "-style", "fusion"});
    const StartOptions o = parseStartOptions(args.argc(), args.argv());
    EXPECT_TRUE(o.diagnose);
    EXPECT_TRUE(o.simulator);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(asStrings(o.rest),
              (std::vector<std::string>{"lumotool", "-platform", "offscreen", "-style", "fusion"}));
}

TEST(StartOptions, NothingGivenMeansPlainStartAndSimilarNamesAreNotOurs)
{
    Args plain({"lumotool"});
    const StartOptions o = parseStartOptions(plain.argc(), plain.argv());
    EXPECT_FALSE(o.diagnose);
    EXPECT_FALSE(o.simulator);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(asStrings(o.rest), std::vector<std::string>{"lumotool"});

    // Only the exact spellings count; argv[0] is never an option.
    Args near({"--diagnose", "--diagnose=1", "-diagnose", "--Simulator"});
    const StartOptions n = parseStartOptions(near.argc(), near.argv());
    EXPECT_FALSE(n.diagnose);
    EXPECT_FALSE(n.simulator);
    EXPECT_EQ(n.rest.size(), 4u);
}

TEST(StartOptions, HelpListsBothOptions)
{
    for (const char* flag : {"--help", "-h"}) {
        Args args({"lumotool", flag});
        EXPECT_TRUE(parseStartOptions(args.argc(), args.argv()).help) << flag;
    }
    const std::string text = usageText("lumotool");
    EXPECT_NE(text.find("--simulator"), std::string::npos);
    EXPECT_NE(text.find("--diagnose"), std::string::npos);
    EXPECT_EQ(text.rfind("Usage: lumotool ", 0), 0u);
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
