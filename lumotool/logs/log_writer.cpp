#include "logs/log_writer.h"

#include "core/device_link.h"
#include "core/ui_seam.h"
#include "session/reads.h"
#include "station/station_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace lumo {

namespace {

const QString kLogDirectory = QStringLiteral("Log");
const char* const kFileErrorCaption = QT_TRANSLATE_NOOP("lumo::LogWriter", "Fehler");
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
    message.caption = QCoreApplication::translate("lumo::LogWriter", kFileErrorCaption);
    message.icon = MsgIcon::Stop;
    message.parent = owner;
    ui().showMessage(message);
}

// Creates and opens a new, empty file with an unused name beside path (in
// the same folder, so that the rename never crosses file systems). The name
// is new: nothing planted there in advance is opened. False when no file can
// be created; the file then holds the error.
bool CreateTemporaryBeside(const QString& path, QFile& file) {
    const QFileInfo final(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        file.setFileName(final.dir().filePath(
            QStringLiteral(".%1.%2.tmp")
                .arg(final.fileName(), QString::number(QRandomGenerator::global()->generate(), 36))));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return true;
        const QFileInfo taken(file.fileName());
        if (!taken.exists() && !taken.isSymLink()) return false;  // not a name clash
    }
    return false;
}

// Pushes the file's data from the system's cache to the disk, so that a
// write the disk refuses shows here, before the rename.
bool SyncToDisk(QFile& file, QString& error) {
#ifdef Q_OS_WIN
    const bool ok = _commit(file.handle()) == 0;
#else
    const bool ok = ::fsync(file.handle()) == 0;
#endif
    if (!ok) error = qt_error_string(errno);
    return ok;
}

// Renames from to to, replacing a file or link there (a link itself, not
// what it points to).
bool ReplaceFile(const QString& from, const QString& to, QString& error) {
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = qt_error_string(int(GetLastError()));
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return true;
    error = qt_error_string(errno);
#endif
    return false;
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
    Calibration calibration;
    if (session::ReadCalibration(link, &calibration) == 0) {
        values.liquidCalibration = left ? calibration.leftPetrol : calibration.rightPetrol;
        values.gasCalibration = left ? calibration.leftGas : calibration.rightGas;
    }
    steps.advance();

    TriggerValues trigger;
    if (session::ReadTrigger(link, &trigger) == 0) values.triggerThreshold = trigger.of(side);
    steps.advance();

    Thresholds thresholds;
    if (session::ReadThresholds(link, &thresholds) == 0) values.errorThreshold = thresholds.thresholdOf(side);
    steps.advance();

    // A missing record leaves both texts empty; a message LoadRecord shows
    // does not stop the writer.
    StationDatabase database;
    database.LoadRecord(identification);
    values.stationName = database.ReadTankstelle();
    values.dispenserNumber = left ? database.ReadLZsNr() : database.ReadRZsNr();

    uint16_t counter = 0;
    if (session::ReadErrorCounter(link, side, &counter) == 0) values.errorCounter = counter;
    steps.advance();

    // Rows in address order: the record's volumes, the sensor byte, the
    // record's flags and time. Each row stops at its first failed read: one
    // message per row, and the cells behind it stay blank.
    for (int k = 1; k <= map::kRecordCount; ++k) {
        LogRowValues& row = values.rows[size_t(k - 1)];
        uint8_t bytes[map::kRecordSize] = {};

        if (session::ReadRecordHalf(link, side, k, 0, bytes) != 0) {
            row.volumesRead = row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow);
            continue;
        }
        steps.advance();

        uint8_t sensors = 0;
        if (session::ReadSensors(link, &sensors) != 0) {
            row.record = RefuellingRecord::Decode(bytes);
            row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow - 1);
            continue;
        }
        row.sensors = sensors;
        steps.advance();

        if (session::ReadRecordHalf(link, side, k, 1, bytes) != 0) row.flagsAndTimeRead = false;
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
    // created.
    QDir().mkdir(kLogDirectory);

    // Written to a new file beside the final one and renamed over it only
    // when every byte is on the disk: a full disk or a crash leaves an older
    // file of that name as it was, and a link planted at the name is
    // replaced, never written through.
    QFile file;
    if (!CreateTemporaryBeside(relativePath, file)) {
        ShowFileError(file.errorString(), owner);
        return false;
    }
    QString error;
    bool written = file.write(text) == text.size() && file.flush();
    if (!written) error = file.errorString();
    if (written) written = SyncToDisk(file, error);
    file.close();
    if (written && file.error() != QFileDevice::NoError) {
        written = false;
        error = file.errorString();
    }
    if (written) written = ReplaceFile(file.fileName(), relativePath, error);
    if (!written) {
        file.remove();
        ShowFileError(error, owner);
    }
    return written;
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
