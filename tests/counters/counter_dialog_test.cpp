// CounterDialog: its controls, and its refresh against the simulated
// controller on a pty, with the recording fake of the UI seam.
#include "core/device_link.h"
#include "core/device_map.h"
#include "counters/counter_dialog.h"
#include "widgets/window_copy.h"
#include "fake_printers.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumo {
namespace {

using gardosim::Area;
using gardosim::FaultKind;

constexpr int kPort = 9;

using test::waitUntil;

QString fieldText(const CounterDialog& d, int id)
{
    auto* e = qobject_cast<QLineEdit*>(d.control(id));
    return e ? e->text() : QStringLiteral("<missing %1>").arg(id);
}

bool boxTicked(const CounterDialog& d)
{
    auto* b = qobject_cast<QCheckBox*>(d.control(CounterDialog::kIdCyclic));
    return b && b->isChecked();
}

TEST(CounterDialogControls, TitleFieldsLabelsGroupsAndTabOrder)
{
    test::testApplication();
    CounterDialog d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05     Anzeige Zählerstände"));

    struct Field {
        int id;
        const char* objectName;
        const char* accessible;
    };
    const Field fields[] = {
        {1011, "liquidLeft", "Flüssigkeitszähler links"}, {1012, "gasLeft", "Gaszähler links"},
        {1013, "triggerLeft", "Triggerwert links"},       {1014, "thresholdLeft", "Fehlerschwelle links"},
        {1015, "errorLeft", "Fehler links"},              {1018, "liquidRight", "Flüssigkeitszähler rechts"},
        {1019, "gasRight", "Gaszähler rechts"},           {1020, "triggerRight", "Triggerwert rechts"},
        {1023, "thresholdRight", "Fehlerschwelle rechts"}, {1024, "errorRight", "Fehler rechts"},
    };
    for (const Field& f : fields) {
        auto* e = qobject_cast<QLineEdit*>(d.control(f.id));
        ASSERT_NE(e, nullptr) << f.id;
        EXPECT_TRUE(e->isReadOnly()) << f.id;
        EXPECT_EQ(e->objectName(), QString::fromLatin1(f.objectName));
        EXPECT_EQ(e->accessibleName(), QString::fromUtf8(f.accessible));
        const bool error = f.id == 1015 || f.id == 1024;
        EXPECT_EQ(e->text(), error ? QStringLiteral("0.00") : QStringLiteral("0")) << f.id;
    }

    // Every label and unit, once per side.
    QStringList labels;
    for (auto* l : d.findChildren<QLabel*>()) labels << l->text();
    for (const char* t : {"Flüssigkeitszähler:", "Gaszähler:", "Triggerwert:", "Fehlerschwelle:", "Fehler:",
                          "l/min"})
        EXPECT_EQ(labels.count(QString::fromUtf8(t)), 2) << t;
    EXPECT_EQ(labels.count(QStringLiteral("ml")), 4);
    EXPECT_EQ(labels.count(QStringLiteral("%")), 4);

    // Each side box holds its "Istwerte" and "Fehleranzeige" groups, and the
    // fields sit in the right ones.
    for (auto [side, ids] : {std::pair{"Linke Zapfsäule", std::array{1011, 1012, 1013, 1014, 1015}},
                             std::pair{"Rechte Zapfsäule", std::array{1018, 1019, 1020, 1023, 1024}}}) {
        QGroupBox* sideBox = nullptr;
        for (auto* g : d.findChildren<QGroupBox*>())
            if (g->title() == QString::fromUtf8(side)) sideBox = g;
        ASSERT_NE(sideBox, nullptr) << side;
        QStringList inner;
        for (auto* g : sideBox->findChildren<QGroupBox*>()) inner << g->title();
        EXPECT_EQ(inner, (QStringList{"Istwerte", "Fehleranzeige"})) << side;
        for (int i = 0; i < 5; ++i) {
            auto* group = qobject_cast<QGroupBox*>(d.control(ids[i])->parentWidget());
            ASSERT_NE(group, nullptr);
            EXPECT_EQ(group->parentWidget(), sideBox);
            EXPECT_EQ(group->title(), i < 3 ? QStringLiteral("Istwerte") : QStringLiteral("Fehleranzeige"));
        }
    }

    auto* box = qobject_cast<QCheckBox*>(d.control(1051));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Zyklisch aktualisieren"));
    EXPECT_FALSE(box->isChecked());
    auto* print = qobject_cast<QPushButton*>(d.control(1021));
    auto* close = qobject_cast<QPushButton*>(d.control(1));
    ASSERT_TRUE(print && close);
    EXPECT_EQ(print->text(), QStringLiteral("Drucken"));
    EXPECT_EQ(close->text(), QStringLiteral("Schliessen"));
    EXPECT_TRUE(close->isDefault());
    EXPECT_FALSE(print->isDefault());

    // Tab order: the controls as listed, then the buttons.
    const int order[] = {1011, 1012, 1013, 1014, 1015, 1018, 1019, 1020, 1023, 1024, 1051, 1021, 1};
    const auto nextTabStop = [](QWidget* w) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(nextTabStop(d.control(order[i])), d.control(order[i + 1])) << order[i];

    EXPECT_EQ(d.refreshTimer().interval(), 500);
    EXPECT_EQ(d.refreshTimer().property("timerId").toInt(), 1);
}

class CounterDialogSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(kPort));
        ASSERT_TRUE(sim_.open());

        setMeters(Side::Left, 123456789, 4000000000u);
        setMeters(Side::Right, 42, 0);
        const uint8_t trigger[2] = {15, 250};
        sim_->poke(Area::Program, map::kTriggerAddress, trigger);
        setThresholds(10, 255, 1234, 5);
        sim_->clearLog();
    }

    void TearDown() override { sim_.reset(); }

    void setMeters(Side s, uint32_t liquid, uint32_t gas)
    {
        uint8_t b[8];
        map::PutU32(b, liquid);
        map::PutU32(b + 4, gas);
        sim_->poke(Area::Program, map::MetersAddress(s), b);
    }

    void setThresholds(uint8_t left, uint8_t right, uint16_t errorLeft, uint16_t errorRight)
    {
        uint8_t b[6] = {left, right};
        map::PutU16(b + 2, errorLeft);
        map::PutU16(b + 4, errorRight);
        sim_->poke(Area::Program, map::kThresholdAddress, b);
    }

    test::SimLink sim_;
    test::RecordingUi ui_;
};

TEST_F(CounterDialogSimTest, OpeningReadsFourBlocksInOrderAndShowsEveryValue)
{
    CounterDialog d;
    d.OnInitDialog();
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(QLatin1Char('|')).toStdString();

    // Four program reads: 1168/8, 1176/8, 1188/2, 1190/6.
    const auto frames = sim_->frames();
    ASSERT_GE(frames.size(), 4u);
    const int want[4][2] = {{1168, 8}, {1176, 8}, {1188, 2}, {1190, 6}};
    for (int i = 0; i < 4; ++i) {
        const auto& r = frames[i].request;
        ASSERT_GE(r.size(), 5u);
        EXPECT_EQ(r[1], 0x80) << i;
        EXPECT_EQ(r[2], want[i][1]) << i;
        EXPECT_EQ(r[3] | (r[4] << 8), want[i][0]) << i;
    }

    EXPECT_EQ(fieldText(d, 1011), QStringLiteral("123456789"));
    EXPECT_EQ(fieldText(d, 1012), QStringLiteral("4000000000"));
    EXPECT_EQ(fieldText(d, 1013), QStringLiteral("15"));
    EXPECT_EQ(fieldText(d, 1014), QStringLiteral("10"));
    EXPECT_EQ(fieldText(d, 1015), QStringLiteral("12.34"));
    EXPECT_EQ(fieldText(d, 1018), QStringLiteral("42"));
    EXPECT_EQ(fieldText(d, 1019), QStringLiteral("0"));
    EXPECT_EQ(fieldText(d, 1020), QStringLiteral("250"));
    EXPECT_EQ(fieldText(d, 1023), QStringLiteral("255"));
    EXPECT_EQ(fieldText(d, 1024), QStringLiteral("0.05"));

    EXPECT_TRUE(boxTicked(d));
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(d.refreshTimer().interval(), 500);
}

TEST_F(CounterDialogSimTest, TicksRefreshUntilTheControllerStopsAnsweringThenOneMessage)
{
    CounterDialog d;
    d.OnInitDialog();
    ASSERT_TRUE(d.timerRunning());

    // The next tick shows new values.
    setMeters(Side::Left, 777, 888);
    setThresholds(1, 2, 65535, 100);
    ASSERT_TRUE(waitUntil([&] { return fieldText(d, 1024) == QStringLiteral("1.00"); }));
    EXPECT_EQ(fieldText(d, 1011), QStringLiteral("777"));
    EXPECT_EQ(fieldText(d, 1015), QStringLiteral("655.35"));
    EXPECT_TRUE(d.timerRunning());

    // A timer tick never runs while a refresh is in progress: the timer is
    // stopped whenever the controller sees a request.
    bool runningDuringRead = false;
    ui_.onShow = [&](const test::ShownMessage&) { runningDuringRead |= d.timerRunning(); };

    // The first read of a refresh passes, the second and later get silence:
    // left values are new, right values stay as last shown. The byte wait
    // stays normal, so that the answered first read is never cut short.
    ASSERT_TRUE(waitUntil([&] { return sim_->frameCount() > 0; }));
    const std::size_t before = ui_.count();
    ASSERT_EQ(before, 0u);
    setMeters(Side::Left, 1, 2);
    setMeters(Side::Right, 3, 4);
    sim_->inject(FaultKind::Delay, 1, 0);
    sim_->inject(FaultKind::Silence, gardosim::kForever);

    ASSERT_TRUE(waitUntil([&] { return ui_.count() >= 1; }));
    EXPECT_FALSE(runningDuringRead);
    EXPECT_FALSE(boxTicked(d));
    EXPECT_FALSE(d.timerRunning());
    EXPECT_FALSE(d.values().cyclic);
    // Several timer periods later still only the one message.
    QTest::qWait(1300);
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Kommunikations-Fehler"));
    EXPECT_EQ(ui_.last().text, QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);
    EXPECT_EQ(fieldText(d, 1011), QStringLiteral("1"));
    EXPECT_EQ(fieldText(d, 1012), QStringLiteral("2"));
    EXPECT_EQ(fieldText(d, 1018), QStringLiteral("42"));
    EXPECT_EQ(fieldText(d, 1024), QStringLiteral("1.00"));

    // Ticking the box again starts the timer; the first refresh comes with
    // the first tick.
    sim_.clearFaults();
    sim_->clearLog();
    auto* box = qobject_cast<QCheckBox*>(d.control(CounterDialog::kIdCyclic));
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(sim_->frameCount(), 0u);
    ASSERT_TRUE(waitUntil([&] { return fieldText(d, 1018) == QStringLiteral("3"); }));
    EXPECT_EQ(ui_.count(), 1u);
    // Unticking stops it.
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_FALSE(d.timerRunning());
}

TEST_F(CounterDialogSimTest, FailedFirstReadAtOpeningLeavesZerosAndTheBoxUnticked)
{
    sim_.silence();
    CounterDialog d;
    d.OnInitDialog();
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_FALSE(boxTicked(d));
    EXPECT_FALSE(d.timerRunning());
    EXPECT_EQ(fieldText(d, 1011), QStringLiteral("0"));
    EXPECT_EQ(fieldText(d, 1015), QStringLiteral("0.00"));
    EXPECT_EQ(d.RefreshCounters(), 0);
}

TEST_F(CounterDialogSimTest, ExecOpensAndEscapeClosesWithTheTimerStopped)
{
    CounterDialog d;
    bool runningWhileOpen = false;
    const int result = test::execWith(d, [&](QDialog& dlg) {
        runningWhileOpen = static_cast<CounterDialog&>(dlg).timerRunning();
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(runningWhileOpen);
    EXPECT_FALSE(d.timerRunning());
    EXPECT_EQ(fieldText(d, 1011), QStringLiteral("123456789"));
}

TEST_F(CounterDialogSimTest, DruckenPrintsThePictureOfTheWindow)
{
    test::FakePrinters printers;
    printers.names = {QStringLiteral("first"), QStringLiteral("second")};
    printers.page = QSize(4792, 6851);
    CounterDialog d;
    d.OnInitDialog();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    const QImage window = CaptureWindowImage(&d);
    ASSERT_FALSE(window.isNull());

    auto* print = qobject_cast<QPushButton*>(d.control(CounterDialog::kIdPrint));
    QTest::mouseClick(print, Qt::LeftButton);
    EXPECT_EQ(ui_.count(), 0u);
    EXPECT_TRUE(printers.called(QStringLiteral("open first")));
    EXPECT_TRUE(printers.called(QStringLiteral("document Mavik-Gardo Zaehlerstaende")));
    ASSERT_FALSE(printers.printed.isNull());

    const WindowCopyGeometry g = ComputeWindowCopyGeometry(4792, window.width());
    ASSERT_GT(g.scale, 0);
    // Corners and the middle of a few blocks, and the page outside.
    const QImage& page = printers.printed;
    for (auto [x, y] : {std::pair{0, 0}, {window.width() - 1, window.height() - 1}, {window.width() / 2, 10},
                        {20, window.height() / 2}}) {
        const int px = g.margin + x * g.scale + g.scale / 2;
        const int py = g.margin + y * g.scale + g.scale / 2;
        EXPECT_EQ(page.pixel(px, py), window.pixel(x, y)) << x << "," << y;
    }
    EXPECT_EQ(page.pixel(g.margin - 1, g.margin - 1), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(g.margin + window.width() * g.scale, g.margin), qRgb(255, 255, 255));
    d.reject();
}

TEST_F(CounterDialogSimTest, APageTooNarrowForTheWindowIsSentEmpty)
{
    test::FakePrinters printers;
    printers.names = {QStringLiteral("narrow")};
    CounterDialog d;
    d.OnInitDialog();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    // Five sevenths of the page are narrower than the window: scale 0.
    printers.page = QSize(CaptureWindowImage(&d).width() * 7 / 5 - 7, 900);
    d.PrintWindowCopy();
    EXPECT_EQ(ui_.count(), 0u);
    EXPECT_TRUE(printers.called(QStringLiteral("end page")));
    EXPECT_TRUE(printers.called(QStringLiteral("end document")));
    ASSERT_FALSE(printers.printed.isNull());
    EXPECT_EQ(printers.printed.size(), printers.page);
    for (int y = 0; y < printers.printed.height(); y += 7)
        for (int x = 0; x < printers.printed.width(); x += 7)
            ASSERT_EQ(printers.printed.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    d.reject();
}

}  // namespace
}  // namespace lumo
