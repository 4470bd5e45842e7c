// The print job frame with a scripted printer seam: the first printer is
// used, every failure shows its box (or none), and the printer is always
// released.
#include "widgets/print_job.h"
#include "fake_printers.h"
#include "support/recording_ui.h"

#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace lumo {
namespace {

using test::FakePrinters;
using test::RecordingUi;

struct Drawn {
    int count = 0;
    QSize page;
};

PageDrawer recorder(Drawn* d)
{
    return [d](QPainter& p, const QSize& page) {
        ++d->count;
        d->page = page;
        p.fillRect(QRect(0, 0, 10, 10), Qt::black);
    };
}

TEST(RunPrintJob, PrintsOnTheFirstPrinterOfTheListAndShowsNothing)
{
    test::testApplication();
    RecordingUi ui;
    FakePrinters fake;
    fake.names = {QStringLiteral("alpha"), QStringLiteral("beta")};
    fake.page = QSize(4792, 6851);
    Drawn d;
    QWidget owner;
    RunPrintJob(&owner, QStringLiteral("Mavik-Gardo Zaehlerstaende"), recorder(&d));

    EXPECT_EQ(ui.count(), 0u);
    EXPECT_EQ(d.count, 1);
    EXPECT_EQ(d.page, QSize(4792, 6851));
    const std::vector<QString> want = {"list", "open alpha", "context", "document Mavik-Gardo Zaehlerstaende",
                                       "page", "end page", "end document", "close"};
    EXPECT_EQ(fake.calls, want);
    ASSERT_FALSE(fake.printed.isNull());
    EXPECT_EQ(fake.printed.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(fake.openDevices, 0);
}

struct FailureCase {
    const char* name;
    void (*script)(FakePrinters&);
    const char* text;  // nullptr: no box
    MsgIcon icon;
    bool opened;
};

TEST(RunPrintJob, EachFailureShowsItsBoxOnceAndReleasesThePrinter)
{
    test::testApplication();
    const FailureCase cases[] = {
        {"no memory for the list", [](FakePrinters& f) { f.listResult = PrinterSeam::ListResult::NoMemory; },
         "Kein Druckspeicher vorhanden!", MsgIcon::Warning, false},
        {"list fails", [](FakePrinters& f) { f.listResult = PrinterSeam::ListResult::Failed; },
         "Kein Drucker gefunden!", MsgIcon::Warning, false},
        {"no printer", [](FakePrinters& f) { f.names.clear(); }, "Kein Drucker gefunden!", MsgIcon::Stop, false},
        {"cannot open", [](FakePrinters& f) { f.openFails = true; }, "Ausdruck nicht möglich!", MsgIcon::Stop,
         false},
        {"no context", [](FakePrinters& f) { f.contextFails = true; }, "Kein Printer-DC!", MsgIcon::Stop, true},
        {"document fails", [](FakePrinters& f) { f.documentFails = true; }, nullptr, MsgIcon::None, true},
        {"page fails", [](FakePrinters& f) { f.pageFails = true; }, nullptr, MsgIcon::None, true},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingUi ui;
        FakePrinters fake;
        fake.names = {QStringLiteral("only")};
        c.script(fake);
        Drawn d;
        QWidget owner;
        RunPrintJob(&owner, QStringLiteral("doc"), recorder(&d));

        EXPECT_EQ(d.count, 0);
        EXPECT_TRUE(fake.printed.isNull());
        EXPECT_EQ(fake.openDevices, 0);
        EXPECT_EQ(fake.called(QStringLiteral("close")), c.opened);
        if (c.text) {
            ASSERT_EQ(ui.count(), 1u);
            EXPECT_EQ(ui.last().text, QString::fromUtf8(c.text));
            EXPECT_EQ(ui.last().caption, QStringLiteral("Fehler"));
            EXPECT_EQ(ui.last().icon, c.icon);
            EXPECT_EQ(ui.last().buttons, MsgButtons::Ok);
            EXPECT_EQ(ui.last().parent, &owner);
        } else {
            EXPECT_EQ(ui.count(), 0u);
        }
    }
}

TEST(RunPrintJob, DocumentThatCannotStartIsNotEnded_PageThatCannotStartStillEndsTheDocument)
{
    test::testApplication();
    RecordingUi ui;
    {
        FakePrinters fake;
        fake.names = {QStringLiteral("p")};
        fake.documentFails = true;
        RunPrintJob(nullptr, QStringLiteral("d"), nullptr);
        EXPECT_FALSE(fake.called(QStringLiteral("page")));
        EXPECT_FALSE(fake.called(QStringLiteral("end document")));
    }
    {
        FakePrinters fake;
        fake.names = {QStringLiteral("p")};
        fake.pageFails = true;
        RunPrintJob(nullptr, QStringLiteral("d"), nullptr);
        EXPECT_FALSE(fake.called(QStringLiteral("end page")));
        EXPECT_TRUE(fake.called(QStringLiteral("end document")));
    }
    EXPECT_EQ(ui.count(), 0u);
}

}  // namespace
}  // namespace lumo
