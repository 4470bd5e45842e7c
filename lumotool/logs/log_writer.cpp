#include "logs/log_writer.h"

#include "core/device_link.h"
#include "core/language.h"
#include "core/ui_seam.h"
#include "session/reads.h"
#include "station/station_database.h"

#include <serlink.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace lumo {

const QString kLineDeadText = QStringLiteral(QT_TRANSLATE_NOOP(
    "lumo::LogWriter",
    "Timeout-Fehler, es wurde kein Zeichen empfangen!\n"
    "Die Steuerung antwortet nicht mehr, das Erstellen der Log-Dateien wurde abgebrochen."));

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
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
#ifndef Q_OS_WIN
            // Held until the file is closed: a later run tells by it that
            // the file is still being written (see RemoveStaleTemporaries).
            // On Windows the open file cannot be removed anyway.
            (void)::flock(file.handle(), LOCK_EX | LOCK_NB);
#endif
            return true;
        }
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

// Age beyond which a temporary file of the writer that no live writer holds
// counts as left behind by a killed run. A live one exists for the moment
// of a write; the age also covers the instant between its creation and its
// lock.
constexpr qint64 kStaleTemporarySeconds = 60;

// Removes the file when no writer holds it.
void RemoveUnheld(const QString& path) {
#ifdef Q_OS_WIN
    // The live writer's open file cannot be removed.
    QFile::remove(path);
#else
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(name.constData());
    ::close(fd);
#endif
}

}  // namespace

void RemoveStaleTemporaries(const QString& path) {
    const QFileInfo final(path);
    const QRegularExpression own(QStringLiteral("^\\.%1\\.[0-9a-z]{1,13}\\.tmp$")
                                     .arg(QRegularExpression::escape(final.fileName())));
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-kStaleTemporarySeconds);
    const QDir dir = final.dir();
    const QStringList names =
        dir.entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!own.match(name).hasMatch()) continue;
        const QFileInfo candidate(dir.filePath(name));
        if (candidate.isSymLink() || !candidate.isFile()) continue;
        if (candidate.lastModified().toUTC() >= staleBefore) continue;
        RemoveUnheld(candidate.filePath());
    }
}

LogFileValues ReadLogValues(DeviceLink& link, Side side, const QString& identification,
                            const LogWriteHooks& hooks, int stepsBefore, LogRunState* runState) {
    LogFileValues values;
    values.side = side;
    values.identification = identification;
    StepCounter steps(hooks, stepsBefore);
    const bool left = side == Side::Left;
    LogRunState ownState;
    LogRunState& run = runState ? *runState : ownState;
    run.failedReads = 0;
    if (run.lineDead) return values;
    TimeoutBoxHold hold;

    // Notes a read's status; true when it succeeded. A whole read that
    // timed out twice in a row makes the line dead.
    auto ok = [&](int32_t status) {
        if (status == SERLINK_E_READ_TIMEOUT) {
            if (++run.timeoutsInRow >= 2) {
                run.lineDead = true;
                hold.drop();
            }
        } else {
            run.timeoutsInRow = 0;
            hold.release();
        }
        if (status != 0) ++run.failedReads;
        return status == 0;
    };

    // Header values. A failed read leaves its value unset; the link has
    // already shown the message and the writer goes on.
    Calibration calibration;
    if (ok(session::ReadCalibration(link, &calibration))) {
        values.liquidCalibration = left ? calibration.leftPetrol : calibration.rightPetrol;
        values.gasCalibration = left ? calibration.leftGas : calibration.rightGas;
    }
    if (run.lineDead) return values;
    steps.advance();

    TriggerValues trigger;
    if (ok(session::ReadTrigger(link, &trigger))) values.triggerThreshold = trigger.of(side);
    if (run.lineDead) return values;
    steps.advance();

    Thresholds thresholds;
    if (ok(session::ReadThresholds(link, &thresholds))) values.errorThreshold = thresholds.thresholdOf(side);
    if (run.lineDead) return values;
    steps.advance();

    // A missing record leaves both texts empty; a message LoadRecord shows
    // does not stop the writer.
    StationDatabase database;
    database.LoadRecord(identification);
    values.stationName = database.ReadTankstelle();
    values.dispenserNumber = left ? database.ReadLZsNr() : database.ReadRZsNr();

    uint16_t counter = 0;
    if (ok(session::ReadErrorCounter(link, side, &counter))) values.errorCounter = counter;
    if (run.lineDead) return values;
    steps.advance();

    // Rows in address order: the record's volumes, the sensor byte, the
    // record's flags and time. Each row stops at its first failed read: one
    // message per row, and the cells behind it stay blank.
    for (int k = 1; k <= map::kRecordCount; ++k) {
        LogRowValues& row = values.rows[size_t(k - 1)];
        uint8_t bytes[map::kRecordSize] = {};

        if (!ok(session::ReadRecordHalf(link, side, k, 0, bytes))) {
            if (run.lineDead) return values;
            row.volumesRead = row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow);
            continue;
        }
        steps.advance();

        uint8_t sensors = 0;
        if (!ok(session::ReadSensors(link, &sensors))) {
            if (run.lineDead) return values;
            row.record = RefuellingRecord::Decode(bytes);
            row.sensorsRead = row.flagsAndTimeRead = false;
            steps.advance(kLogReadsPerRow - 1);
            continue;
        }
        row.sensors = sensors;
        steps.advance();

        if (!ok(session::ReadRecordHalf(link, side, k, 1, bytes))) {
            if (run.lineDead) return values;
            row.flagsAndTimeRead = false;
        }
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
    RemoveStaleTemporaries(relativePath);

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

bool WriteLogFileAt(DeviceLink& link, Side side, const QString& identification, const QString& path,
                    const LogWriteHooks& hooks, int stepsBefore, LogRunState* runState) {
    LogRunState ownState;
    LogRunState& run = runState ? *runState : ownState;
    const LogFileValues values = ReadLogValues(link, side, identification, hooks, stepsBefore, &run);
    if (run.lineDead) {
        // Written now, the file would hold little more than "?" cells in
        // place of the older file's refuellings.
        Message message;
        message.text = Translated("lumo::LogWriter", kLineDeadText);
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

bool WriteLogFile(DeviceLink& link, Side side, const QString& identification,
                  const LogWriteHooks& hooks, int stepsBefore, LogRunState* run) {
    return WriteLogFileAt(link, side, identification, LogFilePath(side, identification), hooks, stepsBefore, run);
}

bool WriteLogFiles(DeviceLink& link, const QString& identification, const LogWriteHooks& hooks) {
    LogRunState run;
    WriteLogFile(link, Side::Left, identification, hooks, 0, &run);
    if (run.lineDead) return false;
    WriteLogFile(link, Side::Right, identification, hooks, kLogReadsPerSide, &run);
    return !run.lineDead;
}

}  // namespace lumo
