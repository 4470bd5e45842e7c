// ServiceApp: the program's whole life in one start-up operation. Refuses a
// second start, prepares the per-user settings, shows the login and, once
// it is confirmed, the main dialog; the program ends when that closes.
#pragma once

#include "widgets/single_instance.h"

namespace lumo {

class ServiceApp {
public:
    ServiceApp();
    virtual ~ServiceApp();

    // Runs start-up to the end. Returns the process exit code (0: the
    // program simply ends, whatever the user chose).
    int Run();

    // The guard of this run (held until the object goes).
    SingleInstance& guard() { return guard_; }

protected:
    // The login dialog, shown modally; overridden by tests.
    virtual int ExecLogin();
    // The main dialog, shown modally: the program provides it (the core
    // knows no dialog above it).
    virtual int ExecMain() = 0;

private:
    SingleInstance guard_;
};

}  // namespace lumo
