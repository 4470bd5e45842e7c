#include "session/log_files.h"

#include "core/device_link.h"
#include "core/language.h"
#include "core/safe_file.h"
#include "core/ui_seam.h"
#include "records/station_database.h"
#include "session/reads.h"

#include <serlink.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace lumo {

const QString kLineDeadText = QStringLiteral(QT_TRANSLATE_NOOP(
    "lumo::LogFiles",
    "Timeout-Fehler, es wurde kein Zeichen empfangen!\n"
    "Die Steuerung antwortet nicht mehr, das Erstellen der Log-Dateien wurde abgebrochen."));

namespace {

const QString kLogDirectory = QStringLiteral("Log");

// The course of the reads of one log run, carried from the left side to
// the right one (see kLineDeadText).
struct LogRunState {
    int timeoutsInRow = 0;
    bool lineDead = false;
    int failedReads = 0;  // of the side read last
};

// Counts the read steps of one run and reports them.
class StepCounter {
public:
    StepCounter(const LogWriteHooks& hooks, int before) : hooks_(hooks), done_(before) {}
    void advance(int steps = 1) {
        done_ += steps;
        if (hooks_.onStep) hooks_.onStep(done_);
    }

private:
    const LogWriteHooks& hooks_;
    int done_;
};

// The station's name and the dispenser numbers of both sides.
struct StationNames {
    QString station, left, right;
};

// A missing record leaves the texts empty; a message LoadRecord shows does
// not stop the writer.
StationNames LookUpStation(const QString& identification) {
    StationDatabase database;
    database.LoadRecord(identification);
    StationNames names;
    names.station = database.ReadTankstelle();
    names.left = database.ReadLZsNr();
    names.right = database.ReadRZsNr();
    return names;
}

// Holds back the message boxes of reads that timed out until the next read
// shows whether the line is dead: then they are dropped for the run's one
// message, else shown as they came. Every other box passes at once.
class TimeoutBoxHold final : public UiSeam {
public:
    TimeoutBoxHold() : next_(ui()) { installUi(this); }
    ~TimeoutBoxHold() override {
        release();
        installUi(&next_);
    }
    TimeoutBoxHold(const TimeoutBoxHold&) = delete;
    TimeoutBoxHold& operator=(const TimeoutBoxHold&) = delete;

    void release() {
        std::vector<Message> held;
        held.swap(held_);
        for (const Message& m : held) next_.showMessage(m);
    }
    void drop() { held_.clear(); }

    MsgResult showMessage(const Message& message) override {
        if (message.buttons == MsgButtons::Ok &&
            message.text == DeviceLink::CommErrorText(SERLINK_E_READ_TIMEOUT)) {
            held_.push_back(message);
            return MsgResult::Ok;
        }
        release();
        return next_.showMessage(message);
    }
    bool openWithDesktop(const QString& path) override { return next_.openWithDesktop(path); }
    QString chooseSaveFile(const QString& caption, const QString& suggestion, const QString& filter,
                           QWidget* parent) override {
        return next_.chooseSaveFile(caption, suggestion, filter, parent);
    }

private:
    UiSeam& next_;
    std::vector<Message> held_;
};

// Notes each read's status: a failure in the list of failed reads and in
// the run state; a whole read that timed out twice in a row makes the line
// dead. failed() is true for a failed read.
class ReadLog {
public:
    ReadLog(Side side, LogRunState& run, TimeoutBoxHold& hold, QList<FailedRead>& failed)
        : side_(side), run_(run), hold_(hold), failed_(failed) {}
    bool failed(int32_t status, const QString& what) {
        if (status == SERLINK_E_READ_TIMEOUT) {
            if (++run_.timeoutsInRow >= 2) {
                run_.lineDead = true;
                hold_.drop();
            }
        } else {
            run_.timeoutsInRow = 0;
            hold_.release();
        }
        if (status == 0) return false;
        ++run_.failedReads;
        failed_.append({side_, what, status});
        return true;
    }

private:
    Side side_;
    LogRunState& run_;
    TimeoutBoxHold& hold_;
    QList<FailedRead>& failed_;
};

LogFileValues readSide(DeviceLink& link, Side side, const QString& identification, const LogWriteHooks& hooks,
                       int stepsBefore, LogRunState& run, QList<FailedRead>& failedReads,
                       const StationNames* known) {
    LogFileValues values;
    values.side = side;
    values.identification = identification;
    StepCounter steps(hooks, stepsBefore);
    const bool left = side == Side::Left;
    run.failedReads = 0;
    if (run.lineDead) return values;
    TimeoutBoxHold hold;
    ReadLog log(side, run, hold, failedReads);

    // Header values. A failed read leaves its value unset; the link has
    // already shown the message and the writer goes on.
    Calibration calibration;
    if (!log.failed(session::ReadCalibration(link, &calibration), QStringLiteral("calibration"))) {
        values.liquidCalibration = left ? calibration.leftPetrol : calibration.rightPetrol;
        values.gasCalibration = left ? calibration.leftGas : calibration.rightGas;
    }
    if (run.lineDead) return values;
    steps.advance();

    TriggerValues trigger;
    if (!log.failed(session::ReadTrigger(link, &trigger), QStringLiteral("trigger")))
        values.triggerThreshold = trigger.of(side);
    if (run.lineDead) return values;
    steps.advance();

    Thresholds thresholds;
    if (!log.failed(session::ReadThresholds(link, &thresholds), QStringLiteral("thresholds")))
        values.errorThreshold = thresholds.thresholdOf(side);
    if (run.lineDead) return values;
    steps.advance();

    const StationNames names = known ? *known : LookUpStation(identification);
    values.stationName = names.station;
    values.dispenserNumber = left ? names.left : names.right;

    uint16_t counter = 0;
    if (!log.failed(session::ReadErrorCounter(link, side, &counter), QStringLiteral("error counter")))
        values.errorCounter = counter;
    if (run.lineDead) return values;
    steps.advance();

    // Rows in address order: the record's volumes, the sensor byte, the
    // record's flags and time. Each row stops at its first failed read: one
    // message per row, and the cells behind it stay blank.
    for (int k = 1; k <= map::kRecordCount; ++k) {
        LogRowValues& row = values.rows[size_t(k - 1)];
        uint8_t bytes[map::kRecordSize] = {};

        if (log.failed(session::ReadRecordHalf(link, side, k, 0, bytes), QStringLiteral("record %1 bytes 0-7").arg(k))) {
            if (run.lineDead) return values;
            row.volumesRead = row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow);
            continue;
        }
        steps.advance();

        uint8_t sensors = 0;
        if (log.failed(session::ReadSensors(link, &sensors), QStringLiteral("record %1 process byte").arg(k))) {
            if (run.lineDead) return values;
            row.record = RefuellingRecord::Decode(bytes);
            row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow - 1);
            continue;
        }
        row.sensors = sensors;
        steps.advance();

        if (log.failed(session::ReadRecordHalf(link, side, k, 1, bytes), QStringLiteral("record %1 bytes 8-15").arg(k))) {
            if (run.lineDead) return values;
            row.flagsAndTimeRead = false;
        }
        row.record = RefuellingRecord::Decode(bytes);
        steps.advance();
    }
    return values;
}

// Writes text to path through the safe file writer, making the file's
// folder when it is missing. A failure shows the system's text in a
// "Fehler" box with the stop icon and returns false.
bool WriteLogText(const QString& path, const QByteArray& text, QWidget* owner) {
    // An existing folder is fine; any other problem shows when the file is
    // written.
    QDir().mkpath(QFileInfo(path).path());
    QString error;
    if (WriteFileSafely(path, text, &error)) return true;
    ShowFileError(error, owner);
    return false;
}

// Writes one side's file from the values read: nothing on a dead line (one
// message instead), the older file kept as "<path>.bak" when reads failed.
bool writeSide(const LogFileValues& values, const QString& path, const LogWriteHooks& hooks,
               const LogRunState& run) {
    if (run.lineDead) {
        // Written now, the file would hold little more than "?" cells in
        // place of the older file's refuellings.
        Message message;
        message.text = Translated("lumo::LogFiles", kLineDeadText);
        message.caption = DeviceLink::CommErrorCaption();
        message.icon = MsgIcon::Stop;
        message.modality = Modality::Application;
        ui().showMessage(message);
        return false;
    }
    const QByteArray text = BuildLogText(values);
    if (hooks.beforeOpen) hooks.beforeOpen();
    // A file with failed reads may hold less than the older one: that one
    // is kept beside it. Without the copy the older file stays in place.
    const QFileInfo older(path);
    if (run.failedReads > 0 && older.isFile() && !older.isSymLink()) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) {
            ShowFileError(in.errorString(), hooks.owner);
            return false;
        }
        const QByteArray kept = in.readAll();
        if (in.error() != QFileDevice::NoError) {
            ShowFileError(in.errorString(), hooks.owner);
            return false;
        }
        in.close();
        if (!WriteLogText(path + QStringLiteral(".bak"), kept, hooks.owner)) return false;
    }
    return WriteLogText(path, text, hooks.owner);
}

}  // namespace

LogFilesRun WriteLogFilesInto(DeviceLink& link, const QString& identification, const QString& folder,
                              LogSides sides, const LogWriteHooks& hooks, bool stationOnce) {
    LogFilesRun result;
    LogRunState run;
    std::optional<StationNames> names;
    if (stationOnce) names = LookUpStation(identification);
    int stepsBefore = 0;
    for (const Side side : {Side::Left, Side::Right}) {
        if ((side == Side::Left && sides == LogSides::Right) || (side == Side::Right && sides == LogSides::Left))
            continue;
        const QString path = QDir(folder).filePath(LogFileName(side, identification));
        if (run.lineDead) {
            result.notWritten << path;
            continue;
        }
        const LogFileValues values = readSide(link, side, identification, hooks, stepsBefore, run,
                                              result.failedReads, names ? &*names : nullptr);
        stepsBefore += kLogReadsPerSide;
        (writeSide(values, path, hooks, run) ? result.written : result.notWritten) << path;
    }
    result.lineDead = run.lineDead;
    return result;
}

bool WriteLogFile(DeviceLink& link, Side side, const QString& identification, const LogWriteHooks& hooks) {
    const LogSides only = side == Side::Left ? LogSides::Left : LogSides::Right;
    return !WriteLogFilesInto(link, identification, kLogDirectory, only, hooks).written.isEmpty();
}

bool WriteLogFiles(DeviceLink& link, const QString& identification, const LogWriteHooks& hooks) {
    return !WriteLogFilesInto(link, identification, kLogDirectory, LogSides::Both, hooks).lineDead;
}

}  // namespace lumo
