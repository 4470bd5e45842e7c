// Shared set-up of the main dialog command tests: a simulated controller on
// a pty with known contents, the main dialog opened through the real port
// choice, and helpers to look at the frames the controller received.
#pragma once

#include "core/device_map.h"
#include "panel/port_dialog.h"
#include "panel/main_dialog.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lumo::cmdtest {

using gardosim::Area;
using gardosim::FaultKind;

inline constexpr int kPort = 7;
inline const QString kCommCaption = QStringLiteral("Kommunikations-Fehler");
inline const QString kRejectText = QStringLiteral("Kommando wurde zurückgewiesen! (Reject)");

// Command codes as they appear in byte 1 of a request frame.
inline constexpr uint8_t kReadProgram = 0x80, kReadProcess = 0x81, kReadClock = 0x82;
inline constexpr uint8_t kWriteProgram = 0xA0, kWriteProcess = 0xA1, kWriteClock = 0xA2;
inline constexpr uint8_t kStop = 0xC0, kStart = 0xC1, kApply = 0xC2;

// One request as the controller received it.
struct Request {
    uint8_t code = 0;
    int address = -1;           // reads and writes only
    std::vector<uint8_t> data;  // writes only
};

using test::byId;
using test::waitUntil;
using test::whenModal;

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(kPort));

        const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        const uint8_t cal[4] = {11, 22, 33, 44};
        sim_->poke(Area::Program, map::kCalibrationAddress, cal);
        // Process 78..84: left counter 9999, byte 80 = 0x5A, right counter 7,
        // bytes 83 and 84 = 0x33 0x44.
        const uint8_t counters[7] = {0x0F, 0x27, 0x5A, 0x07, 0x00, 0x33, 0x44};
        sim_->poke(Area::Process, map::kCounterLeftAddress, counters);
        const uint8_t tl[2] = {0x9F, 0x05};  // 1439 minutes = 23:59
        sim_->poke(Area::Process, map::kErrorTimeLeftAddress, tl);
        const uint8_t tr[2] = {0x2D, 0x01};  // 301 minutes = 5:01
        sim_->poke(Area::Process, map::kErrorTimeRightAddress, tr);
        sim_->setClock({3, 14, 30, 15, 24, 12, 26});  // Do 24.12.2026 14:30:15
    }

    void TearDown() override
    {
        dialog_.reset();
        sim_.reset();
    }

    MainDialog& openDialog()
    {
        dialog_ = std::make_unique<MainDialog>();
        test::choosePortWhenAsked(kPort);
        EXPECT_TRUE(dialog_->OnInitDialog());
        EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
        return *dialog_;
    }

    // Opens the dialog and switches cyclic refresh off, with an empty frame log.
    MainDialog& openQuiet()
    {
        MainDialog& d = openDialog();
        cyclicBox()->click();
        EXPECT_FALSE(d.timerRunning());
        sim_->clearLog();
        return d;
    }

    QLineEdit* edit(int id) { return qobject_cast<QLineEdit*>(dialog_->control(id)); }
    QCheckBox* cyclicBox() { return qobject_cast<QCheckBox*>(dialog_->control(MainDialog::kIdCyclic)); }
    void click(int id) { qobject_cast<QPushButton*>(dialog_->control(id))->click(); }

    std::vector<Request> requests() const
    {
        std::vector<Request> out;
        for (const auto& e : sim_->frames()) {
            Request r;
            r.code = e.request.size() > 1 ? e.request[1] : 0;
            if (e.request.size() >= 6 && ((r.code & 0xF0) == 0x80 || (r.code & 0xF0) == 0xA0))
                r.address = e.request[3] | (e.request[4] << 8);
            if ((r.code & 0xF0) == 0xA0 && e.request.size() >= 6)
                r.data.assign(e.request.begin() + 5, e.request.end() - 1);
            out.push_back(r);
        }
        return out;
    }
    std::vector<Request> requests(uint8_t code) const
    {
        std::vector<Request> out;
        for (const Request& r : requests())
            if (r.code == code) out.push_back(r);
        return out;
    }
    std::vector<uint8_t> process(int address, int count) const
    {
        return sim_->peek(Area::Process, uint32_t(address), std::size_t(count));
    }

    test::RecordingUi ui_;
    test::SimLink sim_;
    std::unique_ptr<MainDialog> dialog_;
};

using Bytes = std::vector<uint8_t>;

}  // namespace lumo::cmdtest
