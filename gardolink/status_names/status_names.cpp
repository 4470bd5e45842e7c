#include "status_names.h"

#include "gardolink.h"
#include "line_trace.h"

namespace gardolink {

const char* status_name(int32_t code) {
    switch (code) {
    case GARDO_OK: return "GARDO_OK";
    case GARDO_REJECTED: return "GARDO_REJECTED";
    case GARDO_FAULTY: return "GARDO_FAULTY";
    case GARDO_UNKNOWN_REPLY: return "GARDO_UNKNOWN_REPLY";
    case GARDO_BAD_TYPE: return "GARDO_BAD_TYPE";
    case GARDO_BAD_LENGTH: return "GARDO_BAD_LENGTH";
    case GARDO_BAD_ARGUMENT: return "GARDO_BAD_ARGUMENT";
    default: return linktrace::serlink_status_name(code);
    }
}

}  // namespace gardolink
