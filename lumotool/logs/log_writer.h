// Writing the two log files of the connected controller: every value the
// log text needs is read through the DeviceLink, the station name and
// dispenser number come from the station database, and the text built by
// BuildLogText goes to "Log/<identification>_L.log" and "_R.log" below the
// current directory.
#pragma once

#include "core/device_map.h"
#include "logs/log_text.h"

#include <QString>

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

// The course of the reads of one log run, carried from the left side to
// the right one. When a whole read has timed out twice in a row the line
// counts as dead: the run reads nothing more and writes no further file.
struct LogRunState {
    int timeoutsInRow = 0;
    bool lineDead = false;
    int failedReads = 0;  // of the side read last
};

// Reads everything one side's log shows. stepsBefore is added to the step
// count reported to onStep. With a run state, the reads stop once the line
// is dead (the values read so far are returned; the state says so).
LogFileValues ReadLogValues(DeviceLink& link, Side side, const QString& identification,
                            const LogWriteHooks& hooks = {}, int stepsBefore = 0, LogRunState* run = nullptr);

// Path of a side's log file relative to the current directory.
QString LogFilePath(Side side, const QString& identification);

// Writes text to "Log/<file>" below the current directory, creating "Log".
// The text goes to a new temporary file in "Log" that is renamed over the
// final name once every byte is on the disk, so an older file of that name
// is replaced whole or stays as it was, and a link at that name is replaced,
// never written through. A failure removes the temporary file, shows the
// system's text in a "Fehler" box with the stop icon and returns false.
// Stale temporary files of that name are removed first.
bool WriteLogText(const QString& relativePath, const QByteArray& text, QWidget* owner = nullptr);

// The one message of a log run stopped by a dead line.
extern const QString kLineDeadText;

// One side: all reads (failures are shown by the link and do not stop the
// writer), then the file at path. When any read failed, an older file at
// path is kept as "<path>.bak" first. A dead line (see LogRunState) writes
// nothing and shows kLineDeadText once, instead of the two time-outs'
// messages. True when the file was written.
bool WriteLogFileAt(DeviceLink& link, Side side, const QString& identification, const QString& path,
                    const LogWriteHooks& hooks = {}, int stepsBefore = 0, LogRunState* run = nullptr);

// The same at LogFilePath(side, identification).
bool WriteLogFile(DeviceLink& link, Side side, const QString& identification,
                  const LogWriteHooks& hooks = {}, int stepsBefore = 0, LogRunState* run = nullptr);

// Left file, then right file, with the same identification; the right one
// is attempted whatever became of the left, unless the line died. False
// when the line died.
bool WriteLogFiles(DeviceLink& link, const QString& identification, const LogWriteHooks& hooks = {});

// Removes the temporary files that runs writing path were killed in the
// middle of: only names of the writer's own pattern for that file, only
// those older than a minute that no live writer holds.
void RemoveStaleTemporaries(const QString& path);

}  // namespace lumo
