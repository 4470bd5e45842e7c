// Starting and stopping the serial line trace while the program runs.
//
// The libraries read SERLINK_TRACE when the port opens (their exports stay
// as they are, so there is no call to switch a trace on). A change therefore
// takes effect by setting or clearing the variable and opening the
// connection again on the same port: a trace then begins with its open line
// and ends with a close line, and an open connection never switches half
// way. The start option --trace FILE sets the same variable before any port
// opens; everything here reads the current target from it.
#pragma once

#include <QCoreApplication>
#include <QString>

class QAction;
class QWidget;

namespace lumo {

class TraceControl {
    Q_DECLARE_TR_FUNCTIONS(lumo::TraceControl)

public:
    // The target SERLINK_TRACE names: a file, "-" for standard error, empty
    // when no trace is written.
    static QString Target();
    // The about box's line: "Schnittstellen-Mitschnitt: <file>", "... aus".
    static QString TargetText();
    // The menu entry's text for the current state.
    static QString ActionText();

    // Sets the target (empty: off) and opens the connection again on port
    // ("COM3:"; empty when none is open) so that the libraries take it up.
    // False when the connection could not be opened again; DeviceLink has
    // then shown the message.
    static bool SetTarget(const QString& file, const QString& port);
    // The port of the open connection: the stored port, the one the port
    // choice opened last; empty when none was stored.
    static QString OpenPort();

    // What the menu entry does: while off, asks for a file through the UI
    // seam and starts the trace into it; while on, stops it. False when
    // nothing changed (the user cancelled).
    static bool Toggle(QWidget* parent);
    // The menu entry (object name "traceAction"), its text kept current.
    static QAction* CreateAction(QWidget* parent);
};

}  // namespace lumo
