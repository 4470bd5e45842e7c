// The "Log-Dateien" command: write both log files while a wait window
// shows, ask for the side, and hand that side's file to the desktop. The
// main dialog runs it; what the command needs of the dialog comes through
// the hooks, so that this folder knows nothing of the dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace lumo {

class DeviceLink;

struct LogCommandHooks {
    // The dialog takes its entries (before each file is opened, and before
    // the chosen file goes to the desktop).
    std::function<void()> takeEntries;
    // Runs `handOver` with the dialog's refresh stopped (the desktop takes
    // the file meanwhile) and lets it run again afterwards.
    std::function<void(const std::function<void()>& handOver)> withRefreshStopped;
};

void RunLogCommand(DeviceLink& link, const QString& identification, QWidget* owner, const LogCommandHooks& hooks);

}  // namespace lumo
