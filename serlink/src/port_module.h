// The library's module state and operations: one open port, its settings and
// the wait time, over a backend that does the system calls. The shared library
// holds one instance for the whole process; tests make their own.
#ifndef SERLINK_PORT_MODULE_H
#define SERLINK_PORT_MODULE_H

#include <cstdint>

#include "port_backend.h"
#include "serlink.h"

namespace serlink {

class PortModule {
public:
    explicit PortModule(PortBackend& backend) : backend_(backend) {}
    PortModule(const PortModule&) = delete;
    PortModule& operator=(const PortModule&) = delete;

    int32_t Init(const char* port, int32_t baud);
    int32_t Exit();
    serlink_handle_t GetHandle() const { return handle_; }
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
    // reset.
    int32_t SystemFailure();
    // Milliseconds from start to the clock now, correct across the wrap.
    uint32_t Elapsed(uint32_t start) { return backend_.tick_ms() - start; }
    // How long the wait hooks may sleep: until just past the time limit.
    uint32_t Remaining(uint32_t elapsed) const;

    PortBackend& backend_;
    serlink_handle_t handle_ = SERLINK_INVALID_HANDLE;
    uint32_t wait_time_ = 2000;
    PortSettings settings_;
    PortStatus status_;
};

}  // namespace serlink

#endif  // SERLINK_PORT_MODULE_H
