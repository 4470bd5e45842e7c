// The library's module state and operations: one open port, its settings and
// the wait time, over a backend that does the system calls. The shared library
// holds one instance for the whole process; tests make their own.
#ifndef SERLINK_PORT_MODULE_H
#define SERLINK_PORT_MODULE_H

#include <cstdint>
#include <memory>

#include "port_backend.h"
#include "serlink.h"

namespace serlink {

class PortModule {
public:
    explicit PortModule(PortBackend& backend);
    ~PortModule();
    PortModule(const PortModule&) = delete;
    PortModule& operator=(const PortModule&) = delete;

    int32_t Init(const char* port, int32_t baud);
    int32_t Exit();
    // Also ends a burst of bytes in the trace, so that a caller that asks
    // for the handle before writing its own trace line finds every byte
    // before it written out.
    serlink_handle_t GetHandle();
    serlink_handle_t SetHandle(serlink_handle_t handle);
    uint32_t SetWaitTime(uint32_t ms);
    int32_t IsDataAvailable();
    int32_t IsBufferEmpty();
    int32_t ReadByte(uint8_t* dest);
    int32_t WriteByte(uint8_t byte);

    // For tests: what the last Init applied and the last error query saw.
    const PortSettings& settings() const { return settings_; }
    const PortStatus& status() const { return status_; }
    uint32_t wait_time() const { return wait_time_; }

private:
    // The code for a failed system call: its error number mapped like a flag
    // word (-1157 when there is none), after the port's error flags have been
    // reset. call names the failed step for the trace.
    int32_t SystemFailure(const char* call);
    // Init's steps once the trace is chosen; failed_step names the system
    // call that failed, if one did.
    int32_t Open(const char* port, int32_t baud, const char*& failed_step);
    // The byte wait of ReadByte and WriteByte: asks ready() (1 ready, 0 not
    // yet, negative a failure returned as it is) until the wait time has
    // passed, sleeping with sleep(ms) in between. At the limit traces
    // "timeout: no byte <what> within N ms" and returns timeout_code.
    template <class Ready, class Sleep>
    int32_t AwaitPort(Ready ready, Sleep sleep, int32_t timeout_code, const char* what);

    // The line trace SERLINK_TRACE asks for, chosen at each open (defined in
    // port_module.cpp). tracing_ is the one test on the way of every call
    // while it is off.
    class Trace;
    void TraceOpen(const char* port, int32_t baud, int32_t rc, const char* failed_step);
    // Writes the failure SystemFailure noted last, with the code returned.
    void TraceFailure(int32_t rc);

    PortBackend& backend_;
    bool tracing_ = false;
    std::unique_ptr<Trace> trace_;
    serlink_handle_t handle_ = SERLINK_INVALID_HANDLE;
    uint32_t wait_time_ = 2000;
    PortSettings settings_;
    PortStatus status_;
};

}  // namespace serlink

#endif  // SERLINK_PORT_MODULE_H
