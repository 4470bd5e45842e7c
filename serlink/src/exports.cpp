// The exported functions, bound to the one module instance of the process
// over the platform's backend.
#include "port_backend.h"
#include "port_module.h"
#include "serlink.h"

namespace {

serlink::PortModule& module() {
    static serlink::PortModule instance(serlink::platform_backend());
    return instance;
}

}  // namespace

extern "C" {

SERLINK_API int32_t Init_Serlink(const char* port, int32_t baud) { return module().Init(port, baud); }
SERLINK_API int32_t Exit_Serlink(void) { return module().Exit(); }
SERLINK_API serlink_handle_t Get_COM_Handle(void) { return module().GetHandle(); }
SERLINK_API serlink_handle_t Set_COM_Handle(serlink_handle_t handle) { return module().SetHandle(handle); }
SERLINK_API uint32_t Set_Wait_Time(uint32_t ms) { return module().SetWaitTime(ms); }
SERLINK_API int32_t IsDataAvailable(void) { return module().IsDataAvailable(); }
SERLINK_API int32_t IsBufferEmpty(void) { return module().IsBufferEmpty(); }
SERLINK_API int32_t ReadByte(uint8_t* dest) { return module().ReadByte(dest); }
SERLINK_API int32_t WriteByte(uint8_t b) { return module().WriteByte(b); }

}  // extern "C"
