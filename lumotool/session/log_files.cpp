#include "session/log_files.h"

#include "core/device_link.h"
#include "core/safe_file.h"
#include "records/station_database.h"
#include "session/reads.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace lumo {

namespace {

const QString kLogDirectory = QStringLiteral("Log");

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

// Notes a failed read; true when the status is a failure.
class ReadLog {
public:
    ReadLog(Side side, QList<FailedRead>* failed) : side_(side), failed_(failed) {}
    bool failed(int32_t status, const QString& what) {
        if (status == 0) return false;
        if (failed_) failed_->append({side_, what, status});
        return true;
    }

private:
    Side side_;
    QList<FailedRead>* failed_;
};

LogFileValues readSide(DeviceLink& link, Side side, const QString& identification, const LogWriteHooks& hooks,
                       int stepsBefore, QList<FailedRead>* failedReads, const StationNames* known) {
    LogFileValues values;
    values.side = side;
    values.identification = identification;
    StepCounter steps(hooks, stepsBefore);
    ReadLog log(side, failedReads);
    const bool left = side == Side::Left;

    // Header values. A failed read leaves its value unset; the link has
    // already shown the message and the writer goes on.
    Calibration calibration;
    if (!log.failed(session::ReadCalibration(link, &calibration), QStringLiteral("calibration"))) {
        values.liquidCalibration = left ? calibration.leftPetrol : calibration.rightPetrol;
        values.gasCalibration = left ? calibration.leftGas : calibration.rightGas;
    }
    steps.advance();

    TriggerValues trigger;
    if (!log.failed(session::ReadTrigger(link, &trigger), QStringLiteral("trigger")))
        values.triggerThreshold = trigger.of(side);
    steps.advance();

    Thresholds thresholds;
    if (!log.failed(session::ReadThresholds(link, &thresholds), QStringLiteral("thresholds")))
        values.errorThreshold = thresholds.thresholdOf(side);
    steps.advance();

    const StationNames names = known ? *known : LookUpStation(identification);
    values.stationName = names.station;
    values.dispenserNumber = left ? names.left : names.right;

    uint16_t counter = 0;
    if (!log.failed(session::ReadErrorCounter(link, side, &counter), QStringLiteral("error counter")))
        values.errorCounter = counter;
    steps.advance();

    // Rows in address order: the record's volumes, the sensor byte, the
    // record's flags and time. Each row stops at its first failed read: one
    // message per row, and the cells behind it stay blank.
    for (int k = 1; k <= map::kRecordCount; ++k) {
        LogRowValues& row = values.rows[size_t(k - 1)];
        uint8_t bytes[map::kRecordSize] = {};

        if (log.failed(session::ReadRecordHalf(link, side, k, 0, bytes), QStringLiteral("record %1 bytes 0-7").arg(k))) {
            row.volumesRead = row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow);
            continue;
        }
        steps.advance();

        uint8_t sensors = 0;
        if (log.failed(session::ReadSensors(link, &sensors), QStringLiteral("record %1 process byte").arg(k))) {
            row.record = RefuellingRecord::Decode(bytes);
            row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow - 1);
            continue;
        }
        row.sensors = sensors;
        steps.advance();

        if (log.failed(session::ReadRecordHalf(link, side, k, 1, bytes), QStringLiteral("record %1 bytes 8-15").arg(k)))
            row.flagsAndTimeRead = false;
        row.record = RefuellingRecord::Decode(bytes);
        steps.advance();
    }
    return values;
}


}  // namespace

LogFileValues ReadLogValues(DeviceLink& link, Side side, const QString& identification,
                            const LogWriteHooks& hooks, int stepsBefore, QList<FailedRead>* failed) {
    return readSide(link, side, identification, hooks, stepsBefore, failed, nullptr);
}

QString LogFilePath(Side side, const QString& identification) {
    return kLogDirectory + QLatin1Char('/') + LogFileName(side, identification);
}

bool WriteLogText(const QString& path, const QByteArray& text, QWidget* owner) {
    // An existing folder is fine; any other problem shows when the file is
    // written.
    QDir().mkpath(QFileInfo(path).path());
    QString error;
    if (WriteFileSafely(path, text, &error)) return true;
    ShowFileError(error, owner);
    return false;
}

LogFilesRun WriteLogFilesInto(DeviceLink& link, const QString& identification, const QString& folder,
                              LogSides sides, const LogWriteHooks& hooks, bool stationOnce) {
    LogFilesRun run;
    std::optional<StationNames> names;
    if (stationOnce) names = LookUpStation(identification);
    int stepsBefore = 0;
    for (const Side side : {Side::Left, Side::Right}) {
        if ((side == Side::Left && sides == LogSides::Right) || (side == Side::Right && sides == LogSides::Left))
            continue;
        const QString path = QDir(folder).filePath(LogFileName(side, identification));
        const LogFileValues values =
            readSide(link, side, identification, hooks, stepsBefore, &run.failedReads, names ? &*names : nullptr);
        stepsBefore += kLogReadsPerSide;
        const QByteArray text = BuildLogText(values);
        if (hooks.beforeOpen) hooks.beforeOpen();
        (WriteLogText(path, text, hooks.owner) ? run.written : run.notWritten) << path;
    }
    return run;
}

bool WriteLogFile(DeviceLink& link, Side side, const QString& identification,
                  const LogWriteHooks& hooks, int stepsBefore) {
    const QString path = LogFilePath(side, identification);
    const LogFileValues values = ReadLogValues(link, side, identification, hooks, stepsBefore);
    const QByteArray text = BuildLogText(values);
    if (hooks.beforeOpen) hooks.beforeOpen();
    return WriteLogText(path, text, hooks.owner);
}

void WriteLogFiles(DeviceLink& link, const QString& identification, const LogWriteHooks& hooks) {
    WriteLogFilesInto(link, identification, kLogDirectory, LogSides::Both, hooks);
}

}  // namespace lumo
