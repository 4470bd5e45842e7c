// The header names of gardolink's status codes, for traces and command-line
// output: "GARDO_REJECTED", and serlink's codes passed on under their own
// names ("SERLINK_E_READ_TIMEOUT"). Compiled into gardolink and into the
// programs that print the names; nothing of it is exported.
#pragma once

#include <cstdint>

namespace gardolink {

// The name of a status code, or nullptr for a code without one.
const char* status_name(int32_t code);

}  // namespace gardolink
