#include "logs/log_writer.h"

#include "core/device_link.h"
#include "core/ui_seam.h"
#include "station/station_database.h"

#include <QDir>
#include <QFile>

namespace lumo {

namespace {

const QString kLogDirectory = QStringLiteral("Log");
const QString kFileErrorCaption = QStringLiteral("Fehler");
// The system's error text is shown in at most this many characters.
constexpr int kMaxErrorText = 127;

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

void ShowFileError(const QString& description, QWidget* owner) {
    Message message;
    message.text = description.left(kMaxErrorText);
    message.caption = kFileErrorCaption;
    message.icon = MsgIcon::Stop;
    message.parent = owner;
    ui().showMessage(message);
}

}  // namespace

LogFileValues ReadLogValues(DeviceLink& link, Side side, const QString& identification,
                            const LogWriteHooks& hooks, int stepsBefore) {
    LogFileValues values;
    values.side = side;
    values.identification = identification;
    StepCounter steps(hooks, stepsBefore);
    const bool left = side == Side::Left;

    // Header values. A failed read leaves its value unset; the link has
    // already shown the message and the writer goes on.
    uint8_t calibration[map::kCalibrationLength] = {};
    if (link.ReadProgram(map::kCalibrationAddress, map::kCalibrationLength, calibration) == 0) {
        const Calibration c = Calibration::Decode(calibration);
        values.liquidCalibration = left ? c.leftPetrol : c.rightPetrol;
        values.gasCalibration = left ? c.leftGas : c.rightGas;
    }
    steps.advance();

    uint8_t trigger[map::kTriggerLength] = {};
    if (link.ReadProgram(map::kTriggerAddress, map::kTriggerLength, trigger) == 0)
        values.triggerThreshold = TriggerValues::Decode(trigger).of(side);
    steps.advance();

    uint8_t thresholds[map::kThresholdLength] = {};
    if (link.ReadProgram(map::kThresholdAddress, map::kThresholdLength, thresholds) == 0)
        values.errorThreshold = Thresholds::Decode(thresholds).thresholdOf(side);
    steps.advance();

    // A missing record leaves both texts empty; a message LoadRecord shows
    // does not stop the writer.
    StationDatabase database;
    database.LoadRecord(identification);
    values.stationName = database.ReadTankstelle();
    values.dispenserNumber = left ? database.ReadLZsNr() : database.ReadRZsNr();

    uint8_t counter[map::kCounterLength] = {};
    if (link.ReadProcessData(map::CounterAddress(side), map::kCounterLength, counter) == 0)
        values.errorCounter = CounterBlock::Decode(counter).counter();
    steps.advance();

    // Rows in address order. Each row stops at its first failed read: one
    // message per row, and the cells behind it stay blank.
    for (int k = 1; k <= map::kRecordCount; ++k) {
        LogRowValues& row = values.rows[size_t(k - 1)];
        const int32_t address = map::RecordAddress(side, k);
        uint8_t bytes[map::kRecordSize] = {};

        if (link.ReadProgram(address, map::kRecordTransfer, bytes) != 0) {
            row.volumesRead = row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow);
            continue;
        }
        steps.advance();

        uint8_t sensors = 0;
        if (link.ReadProcessData(map::kSensorAddress, map::kSensorLength, &sensors) != 0) {
            row.record = RefuellingRecord::Decode(bytes);
            row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow - 1);
            continue;
        }
        row.sensors = sensors;
        steps.advance();

        if (link.ReadProgram(address + map::kRecordTransfer, map::kRecordTransfer,
                             bytes + map::kRecordTransfer) != 0)
            row.flagsAndTimeRead = false;
        row.record = RefuellingRecord::Decode(bytes);
        steps.advance();
    }
    return values;
}

QString LogFilePath(Side side, const QString& identification) {
    return kLogDirectory + QLatin1Char('/') + LogFileName(side, identification);
}

bool WriteLogText(const QString& relativePath, const QByteArray& text, QWidget* owner) {
    // An existing folder is fine; any other problem shows when the file is
    // opened.
    QDir().mkdir(kLogDirectory);

    // Truncated: an older, longer file must not leave its tail behind the
    // new text.
    QFile file(relativePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ShowFileError(file.errorString(), owner);
        return false;
    }
    // A short write (a full disk) is an error too, not a written file.
    if (file.write(text) != text.size() || !file.flush()) {
        ShowFileError(file.errorString(), owner);
        file.close();
        return false;
    }
    file.close();
    return true;
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
    WriteLogFile(link, Side::Left, identification, hooks, 0);
    WriteLogFile(link, Side::Right, identification, hooks, kLogReadsPerSide);
}

}  // namespace lumo
