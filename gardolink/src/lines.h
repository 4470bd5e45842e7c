// Sets the RTS and DTR modem lines on the port handle that serlink owns.
#pragma once

#include "serlink.h"

namespace gardo {

// The four line functions, numbered as the Win32 escape functions.
enum class Line : int { SetRts = 3, ClearRts = 4, SetDtr = 5, ClearDtr = 6 };

// Best effort: the result is not reported (a pseudo-terminal has no modem
// lines, and the protocol ignores a refusal).
void set_line(serlink_handle_t handle, Line fn);

}  // namespace gardo
