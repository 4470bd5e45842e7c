// Writing the two log files of the connected controller: every value the
// log text needs is read through the DeviceLink, the station name and
// dispenser number come from the station database, and the text built by
// BuildLogText goes to "<identification>_L.log" and "_R.log" in a folder:
// "Log" below the current directory for the dialog, any folder for the
// command line.
#pragma once

#include "core/device_map.h"
#include "records/log_text.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace lumo {

class DeviceLink;

// Reads of one side: calibration, trigger, thresholds, error counter, then
// three per record (bytes 0-7, process byte 21, bytes 8-15).
inline constexpr int kLogHeaderReads = 4;
inline constexpr int kLogReadsPerRow = 3;
inline constexpr int kLogReadsPerSide = kLogHeaderReads + kLogReadsPerRow * map::kRecordCount;
inline constexpr int kLogReadsTotal = 2 * kLogReadsPerSide;

struct LogWriteHooks {
    // Owner of the file error box.
    QWidget* owner = nullptr;
    // Called after every read step with the number of steps done so far in
    // this run (1 .. kLogReadsTotal, or kLogReadsPerSide for one side). A
    // step skipped behind a failed read of its row counts as done.
    std::function<void(int stepsDone)> onStep;
    // Called once per side after the reads, before the file is opened (the
    // main dialog takes its entries there).
    std::function<void()> beforeOpen;
};

// The one message of a log run stopped by a dead line: when a whole read
// has timed out twice in a row the line counts as dead, and the run reads
// nothing more and writes no further file.
extern const QString kLineDeadText;

// A read of the log run that failed (the link showed its message).
struct FailedRead {
    Side side = Side::Left;
    QString what;  // "calibration", "record 3 bytes 0-7", ...
    int32_t status = 0;
};

// What a log run did: the files written and not written (full paths as
// given, the folder joined with the file name), and the reads that failed
// (their cells show "?" or stay blank).
struct LogFilesRun {
    QStringList written;
    QStringList notWritten;
    QList<FailedRead> failedReads;
    bool lineDead = false;  // the run was stopped by a dead line
};

// Which files a run writes.
enum class LogSides { Both, Left, Right };

// The log step: reads everything of the chosen sides and writes their files
// into folder (made when missing), left before right; a file is attempted
// whatever became of the other, unless the line died. When any read of a
// side failed, an older file of its name is kept as "<name>.bak" first.
// Nothing else is created or changed. The
// station record is looked up once per side, as the dialog does, or with
// stationOnce set once for the run (one message when the station file
// cannot be read).
LogFilesRun WriteLogFilesInto(DeviceLink& link, const QString& identification, const QString& folder,
                              LogSides sides = LogSides::Both, const LogWriteHooks& hooks = {},
                              bool stationOnce = false);

// One side into "Log" below the current directory: all reads (failures
// are shown by the link and do not stop the writer), then the file. When
// any read failed, an older file is kept as "<name>.bak" first. A dead line
// writes nothing and shows kLineDeadText once, instead of the two
// time-outs' messages. True when the file was written.
bool WriteLogFile(DeviceLink& link, Side side, const QString& identification, const LogWriteHooks& hooks = {});

// Left file, then right file into "Log", with the same identification; the
// right one is attempted whatever became of the left, unless the line died.
// False when the line died.
bool WriteLogFiles(DeviceLink& link, const QString& identification, const LogWriteHooks& hooks = {});

}  // namespace lumo
