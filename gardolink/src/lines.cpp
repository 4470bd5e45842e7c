#include "lines.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace gardo {

void set_line(serlink_handle_t handle, Line fn) {
#if defined(_WIN32)
    EscapeCommFunction(static_cast<HANDLE>(handle), static_cast<DWORD>(fn));
#else
    int bits = 0;
    unsigned long request = TIOCMBIS;
    switch (fn) {
    case Line::SetRts: bits = TIOCM_RTS; request = TIOCMBIS; break;
    case Line::ClearRts: bits = TIOCM_RTS; request = TIOCMBIC; break;
    case Line::SetDtr: bits = TIOCM_DTR; request = TIOCMBIS; break;
    case Line::ClearDtr: bits = TIOCM_DTR; request = TIOCMBIC; break;
    }
    (void)ioctl(static_cast<int>(handle), request, &bits);
#endif
}

}  // namespace gardo
