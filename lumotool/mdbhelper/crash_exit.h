// How the reader ends when libmdb crashes on a damaged file: at once, with
// the exception code as its exit status. On Windows an unhandled exception
// would otherwise open an error box, or start a debugger (Wine starts one
// even with SEM_NOGPFAULTERRORBOX), and the reader would wait for someone to
// close it; the program counts the crash as a damaged database either way.
// Elsewhere the system's default (a signal) does the same.
#pragma once

#ifdef _WIN32
#include <windows.h>

namespace lumo::mdbrow {

inline LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* info)
{
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

inline void EndAtOnceOnCrash()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnUnhandledException);
}

}  // namespace lumo::mdbrow
#else
namespace lumo::mdbrow {
inline void EndAtOnceOnCrash() {}
}  // namespace lumo::mdbrow
#endif
